#pragma once
// The platform's edges as small interfaces: message boxes, ending the program, the clock and the
// user's number format. The pages receive them when they are made; each has a real
// implementation (here and in the .cpp) and a test one (tests/support).

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>
#include <optional>

namespace wb {
class System;
}

// Message box styles: the buttons plus the icon, as the program uses them. The numbers add a
// button set (0 OK, 4 Yes and No) to an icon (16, 48, 64).
enum MsgStyle : int {
    kStyleOk = 0,
    kStyleCritical = 16,
    kStyleExclamation = 48,
    kStyleInformation = 64,
    kStyleYesNoInformation = 68,  // Yes is the default button
};
inline bool AsksYesNo(MsgStyle style) {
    return (style & 0x0F) == 4;
}

enum class MsgResult { Ok = 1, Yes = 6, No = 7 };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A modal box; an empty title means the application title. A carriage return in the text is
    // a line break.
    MsgResult MsgBox(const QString& text, MsgStyle style, const QString& title = QString());
    // Runs before each box is shown, as long as it is set; returns the one it replaces.
    std::function<void()> SetBeforeShow(std::function<void()> beforeShow) {
        std::swap(beforeShow_, beforeShow);
        return beforeShow;
    }

protected:
    virtual MsgResult Present(const QString& text, MsgStyle style, const QString& title) = 0;

private:
    std::function<void()> beforeShow_;
};

class QtMessageBoxes : public MessageBoxes {
protected:
    MsgResult Present(const QString& text, MsgStyle style, const QString& title) override;
};

// A message's text as one line: its lines become sentences, or go on where the next line
// does not begin one (a path after "It is expected at").
QString OneLine(const QString& text);

// For work without a window (a batch run): each message is one line on standard error, prefixed
// with the program's name; a question is answered with its default button.
class StderrMessageBoxes : public MessageBoxes {
protected:
    MsgResult Present(const QString& text, MsgStyle style, const QString& title) override;
};

// The program's exit status: 0 for an end the user chose ("Quit Application?", "Apply and Close",
// closing the splash), 1 after a critical error, so that whatever started the program can tell.
inline constexpr int kExitNormal = 0;
inline constexpr int kExitCriticalError = 1;

// "End": the program stops at once with the status given. Nothing after the call runs.
class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    [[noreturn]] void End(int status = kExitNormal);

protected:
    // Must not return: it leaves the process, or (in tests) throws.
    virtual void Terminate(int status) = 0;
};

class ProcessProgramEnd : public ProgramEnd {
public:
    // releaseHandles runs first (the workbook connection lets go; the office stays open).
    explicit ProcessProgramEnd(std::function<void()> releaseHandles = {})
        : releaseHandles_(std::move(releaseHandles)) {}

protected:
    void Terminate(int status) override;

private:
    std::function<void()> releaseHandles_;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime Now() const = 0;
};

class SystemClock : public Clock {
public:
    QDateTime Now() const override { return QDateTime::currentDateTime(); }
};

// The user's number format: its decimal separator and the conversions between text and numbers.
class NumberFormat {
public:
    virtual ~NumberFormat() = default;
    // The second character of the text of one half ("0.5" or "0,5").
    virtual QChar DecimalSeparator() const = 0;
    // The shortest decimal of at most 15 significant digits, without group separators.
    virtual QString ToText(double value) const = 0;
    // A text as the user's format reads it; nullopt when it is no number.
    virtual std::optional<double> ToNumber(const QString& text) const = 0;
    // Short date, then long time.
    virtual QString GeneralDate(const QDateTime& moment) const = 0;
};

// The real one takes QLocale::system(); tests hand it a fixed locale.
class LocaleNumberFormat : public NumberFormat {
public:
    explicit LocaleNumberFormat(const QLocale& locale = QLocale::system());
    QChar DecimalSeparator() const override;
    QString ToText(double value) const override;
    std::optional<double> ToNumber(const QString& text) const override;
    QString GeneralDate(const QDateTime& moment) const override;

private:
    QLocale locale_;
};

// What the pages are handed when they are made.
struct Platform {
    MessageBoxes& msg;
    ProgramEnd& end;
    wb::System& automation;
    Clock& clock;
    NumberFormat& numbers;
    QString programFolder;  // where the workbook and the database lie
};
