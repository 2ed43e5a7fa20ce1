#pragma once
// What the simulator answers to one request target, from the current buddy states and settings.

#include <map>
#include <random>
#include <string>

struct TSimReply {
    int status = 200;
    std::string contentType = "text/plain; charset=UTF-8";
    std::string body;
};

class TSimResponder {
public:
    // `states`: ID (lower case) to "online", "in-game" (online, playing), "offline", "invisible"
    // or "error"; unknown IDs are offline. `settings`: the settings file's text; empty serves the
    // built-in one. Besides the program's own services it answers the chess service's status
    // ("/api/users/status?ids=a,b") and the game service's profiles ("/id/<x>/?xml=1").
    TSimReply Respond(const std::string& target, const std::map<std::string, std::string>& states,
                      const std::string& settings);

    // Four characters that the program decodes to `code` (0, 1 or 2), with a fresh mask each
    // time, as the real service varies them.
    std::string EncodeStatus(int code);

    static const std::string& DefaultSettings();

private:
    std::mt19937 random_{std::random_device{}()};
};

// "id status" lines (blank lines and lines starting with '#' ignored) into a state map.
std::map<std::string, std::string> ParseStates(const std::string& text);

// The value of one query parameter, percent-decoded; empty when absent.
std::string QueryParam(const std::string& target, const std::string& name);

// Online as the program's own services report it: "online" or "in-game".
bool IsOnlineState(const std::string& state);

// The whole content of the file at `path`; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& text);
