#include "http/IdStatus.h"

std::string StatusText(TIdStatus status, const std::string& argument) {
    switch (status) {
    case hsResolving:
        return "Resolving hostname " + argument + ".";
    case hsConnecting:
        return "Connecting to " + argument + ".";
    case hsConnected:
        return "Connected.";
    case hsDisconnecting:
        return "Disconnecting.";
    case hsDisconnected:
        return "Disconnected.";
    case hsStatusText:
        break;
    }
    return argument;
}
