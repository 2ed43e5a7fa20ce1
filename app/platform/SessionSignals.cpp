#include "app/platform/SessionSignals.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end for the signal handler; -1 while no instance exists.
volatile sig_atomic_t gWriteFd = -1;

extern "C" void OnSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    if (gWriteFd >= 0) {
        // A full pipe already holds a pending wake-up: losing this byte loses nothing.
        [[maybe_unused]] const ssize_t written = write(gWriteFd, &byte, 1);
    }
    errno = savedErrno;
}

void SetDisposition(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

TSessionSignals::TSessionSignals(std::function<void()> onSessionEnd, bool armed, QObject* parent)
    : QObject(parent), onSessionEnd_(std::move(onSessionEnd)), armed_(armed) {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        pipe_[0] = pipe_[1] = -1;
    } else {
        gWriteFd = pipe_[1];
        notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
        notifier_->setEnabled(armed_); // unread, the signal's byte waits in the pipe
        connect(notifier_.get(), &QSocketNotifier::activated, this, &TSessionSignals::Drain);
        for (int signal : HandledSignals)
            SetDisposition(signal, OnSignal);
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager&) { SaveRequest(); });
    }
}

TSessionSignals::~TSessionSignals() {
    for (int signal : HandledSignals)
        SetDisposition(signal, SIG_DFL);
    gWriteFd = -1;
    notifier_.reset();
    for (int fd : pipe_) {
        if (fd >= 0)
            close(fd);
    }
}

void TSessionSignals::Drain() {
    char buffer[64];
    bool any = false;
    while (read(pipe_[0], buffer, sizeof(buffer)) > 0)
        any = true;
    // Several signals in a burst are one end of the session.
    if (any)
        EndSession();
}

void TSessionSignals::EndSession() {
    if (!armed_) {
        endPending_ = true;
        return;
    }
    if (onSessionEnd_)
        onSessionEnd_();
}

void TSessionSignals::SaveRequest() {
    if (OnSaveRequest)
        OnSaveRequest();
}

void TSessionSignals::Arm() {
    armed_ = true;
    if (notifier_)
        notifier_->setEnabled(true);
    // From the message loop, never from inside Arm: the handler may end that loop.
    if (endPending_) {
        endPending_ = false;
        QMetaObject::invokeMethod(this, &TSessionSignals::EndSession, Qt::QueuedConnection);
    }
}
