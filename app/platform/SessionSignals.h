#pragma once
// The end of the session as the desktop and the shell announce it: SIGTERM, SIGHUP and SIGINT
// call one handler on the main thread. The signal handler itself only writes a byte to a pipe
// (async-signal-safe); a notifier reads it. The session manager's save request is not an end:
// the user may still cancel the logout, and the manager ends the program when it really ends.

#include <QObject>

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

class TSessionSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; only one instance may exist at a time. Not `armed`, an end of the
    // session is caught but waits, unanswered, until Arm(): the program can be half-way through
    // its start when it comes.
    explicit TSessionSignals(std::function<void()> onSessionEnd, bool armed = true,
                             QObject* parent = nullptr);
    // Restores the default dispositions.
    ~TSessionSignals() override;

    static constexpr int HandledSignals[] = {SIGTERM, SIGHUP, SIGINT};

    void Arm();

    // The session manager's save request lands here; it runs OnSaveRequest, armed or not.
    void SaveRequest();
    std::function<void()> OnSaveRequest;

private:
    void Drain();
    void EndSession();

    std::function<void()> onSessionEnd_;
    bool armed_;
    bool endPending_ = false;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};
