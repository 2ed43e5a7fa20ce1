#include "http/IdConnectThread.h"

#include "http/IdExceptions.h"

TIdConnectThread::TIdConnectThread(TIdSocketHandle& socket)
    : thread_([&socket] {
          try {
              socket.Connect();
          } catch (const EIdSocketError& e) {
              // 10038 and 10009 mean the socket was closed under the connect: an abandoned
              // attempt, not a failure.
              if (e.LastError() != 10038 && e.LastError() != 10009)
                  throw;
          }
      }) {}

void TIdConnectThread::RaiseFailure() const {
    const std::exception_ptr failure = thread_.Failure();
    if (!failure)
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const EIdSocketError&) {
        throw;
    } catch (const std::exception& e) {
        throw EIdConnectException(e.what());
    }
}
