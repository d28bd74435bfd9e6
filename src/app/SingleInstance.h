#pragma once
// One running Dravik Lumo per user. The first start listens on a local socket named for the user;
// a later start finds it there, asks it to bring its window to the front and ends, so that two
// programs never write their answers into the same workbook.

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;

// "dravik_lumo_<user>", the user name written as in the office's pipe name.
QString SingleInstanceName(const QString& user = qEnvironmentVariable("USER"));

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this start is the running program from now on; false when another one answered
    // and has brought its window to the front. A socket left by a program that crashed is taken
    // over.
    bool Claim();

    // What the running program does when a later start asks: brings its window to the front
    // and returns that window's object name.
    void SetShow(std::function<QString()> show) { show_ = std::move(show); }

    // Stops listening and removes the socket (the program ends without running destructors).
    void Release();

    // A later start's request to the program listening under name: the object name of the
    // window it brought to the front, or nullopt when nothing listens there. A program that is
    // busy (opening the workbook) is waited for up to waitMs.
    static std::optional<QString> AskToShow(const QString& name, int waitMs = 30000);

private:
    void Answer();

    QString name_;
    QLocalServer* server_ = nullptr;
    std::function<QString()> show_;
};
