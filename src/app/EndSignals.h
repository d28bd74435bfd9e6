#pragma once
// SIGTERM (a log-out, a shutdown, kill) and SIGINT (Ctrl+C) end the program from its event loop,
// as the user's own end would: the signal handler only writes a byte into a pipe, whose other end
// the event loop watches.

#include <QObject>

#include <functional>

class QSocketNotifier;

class EndSignals : public QObject {
    Q_OBJECT
public:
    // onSignal runs in the event loop (also a message box's) once per signal received.
    explicit EndSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    // The signals take their default action again.
    ~EndSignals() override;

    // Whether a signal has come and is still to be handled: for work that waits outside the event
    // loop (the single-instance exchange), which ends at once then.
    static bool Pending();

private:
    std::function<void()> onSignal_;
    QSocketNotifier* notifier_ = nullptr;
};
