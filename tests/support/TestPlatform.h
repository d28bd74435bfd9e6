#pragma once
// The test side of the platform seams: scripted message boxes, an end that can be seen, a fixed
// clock and a fixed number format.

#include "shell/Platform.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

struct ShownBox {
    QString text;
    MsgStyle style;
    QString title;
};

// In an expected text: any text there (a server's own words, which vary).
inline const QString kAnyText = QStringLiteral("<any>");

// Records every box shown, in order, and answers from a script. A box the script does not
// expect fails the test.
class ScriptedMessageBoxes : public MessageBoxes {
public:
    ~ScriptedMessageBoxes() override;

    // The next box expected, and the button the user presses on it.
    ScriptedMessageBoxes& Expect(const QString& text, MsgStyle style, const QString& title,
                                 MsgResult answer = MsgResult::Ok);
    bool AllShown() const { return script_.empty(); }

    std::vector<ShownBox> shown;
    // Runs as each box shows, before it is checked against the script.
    std::function<void()> onShow;

protected:
    MsgResult Present(const QString& text, MsgStyle style, const QString& title) override;

private:
    struct Step {
        ShownBox box;
        MsgResult answer;
    };
    std::deque<Step> script_;
};

// Thrown by TestProgramEnd so that nothing after End runs.
struct ProgramEnded {};

class TestProgramEnd : public ProgramEnd {
public:
    int endCount = 0;
    int status = -1;  // the status of the last end; -1 before any

protected:
    void Terminate(int status) override;
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime now) : now_(std::move(now)) {}
    QDateTime Now() const override { return now_; }
    void Set(QDateTime now) { now_ = std::move(now); }

private:
    QDateTime now_;
};
