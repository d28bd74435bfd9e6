#pragma once
// One running Dravik Lumo per user. The first start listens on a local socket of the user's own
// (in the folder only the user can enter); a later start finds it there, asks it to bring its
// window to the front and ends, so that two programs never write their answers into the same
// workbook.

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;

// The socket: "instance" in the user's private folder, or, where that path would be too long for a
// socket, a name with the random part of the user's office pipe in the temporary folder.
QString SingleInstancePath();

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString path, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Start {
        Running,    // this start is the running program from now on
        Elsewhere,  // another one answered and has brought its window to the front
        Stopped,    // a signal came meanwhile: nothing is started
    };
    // A socket left by a program that crashed is taken over; one of another user is never
    // asked. The exchange takes about a second at most and ends at once when stopped() says so.
    Start Claim(const std::function<bool()>& stopped = {});

    // What the running program does when a later start asks: brings its window to the front
    // and returns that window's object name.
    void SetShow(std::function<QString()> show) { show_ = std::move(show); }

    // Stops listening and removes the socket (the program ends without running destructors).
    void Release();

    // A later start's request to the program listening at path: the object name of the window it
    // brought to the front (empty when it did not answer in time, busy opening the workbook), or
    // nullopt when nothing of this user listens there.
    static std::optional<QString> AskToShow(const QString& path,
                                            const std::function<bool()>& stopped = {},
                                            int waitMs = 1000);

private:
    void Answer();

    QString path_;
    QLocalServer* server_ = nullptr;
    std::function<QString()> show_;
};
