#pragma once
// Connection status notifications.

#include <functional>
#include <string>

enum TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText
};

using TIdStatusEvent = std::function<void(TIdStatus status, const std::string& text)>;

// The notification text, formatted with its argument (host, peer address or free text).
std::string StatusText(TIdStatus status, const std::string& argument);
