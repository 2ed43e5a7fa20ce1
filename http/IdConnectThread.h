#pragma once
// Runs one blocking connect on a helper thread so the caller can give up after a time-out.
// The caller is woken the moment the connect ends.

#include "http/IdHelperThread.h"
#include "http/IdSocketHandle.h"

class TIdConnectThread {
public:
    explicit TIdConnectThread(TIdSocketHandle& socket);

    // Waits until the connect ended or timeoutMs passed (-1: no limit); true when it ended.
    bool WaitFor(int timeoutMs) { return thread_.WaitFor(timeoutMs); }
    void Join() { thread_.Join(); }
    // After the thread ended: raises the connect's failure, if any (EIdSocketError with its
    // code, or EIdConnectException with the message of a failure that carried none).
    void RaiseFailure() const;

private:
    TIdHelperThread thread_;
};
