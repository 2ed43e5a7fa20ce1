#include "tools/zentrilo-sim/SimResponder.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecode(const std::string& text) {
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            result += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string StateOf(const std::map<std::string, std::string>& states, const std::string& id) {
    const auto found = states.find(LowerAscii(Trim(id)));
    return found == states.end() ? "offline" : found->second;
}

std::string Hex2(int value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

// Text for HTML and XML, where the request's own words must stay words.
std::string MarkupEscaped(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

TSimReply HtmlPage(const std::string& path) {
    TSimReply reply;
    reply.contentType = "text/html; charset=UTF-8";
    reply.body = "<!DOCTYPE html>\n<html><head><title>Zentrilo</title></head><body>"
                 "<h1>Zentrilo</h1><p>Local simulator page for " +
                 MarkupEscaped(path) + "</p></body></html>\n";
    return reply;
}

TSimReply ErrorReply(int status) {
    TSimReply reply;
    reply.status = status;
    reply.body = status == 404 ? "Not Found\n" : "Internal Server Error\n";
    return reply;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// The chess service's format: one object per asked ID, "online" only while the user is.
TSimReply ChessStatus(const std::string& target, const std::map<std::string, std::string>& states) {
    std::istringstream ids(QueryParam(target, "ids"));
    std::string body = "[";
    for (std::string id; std::getline(ids, id, ',');) {
        const std::string state = StateOf(states, id);
        if (state == "error")
            return ErrorReply(500);
        if (body.size() > 1)
            body += ',';
        body += "{\"id\":" + JsonString(LowerAscii(Trim(id))) + ",\"name\":" + JsonString(id);
        if (IsOnlineState(state))
            body +=
                std::string(",\"online\":true") + (state == "in-game" ? ",\"playing\":true" : "");
        body += '}';
    }
    return TSimReply{200, "application/json", body + "]"};
}

// The game service's profile: "/id/<x>/?xml=1" in XML, its page without.
TSimReply GameProfile(const std::string& target, const std::map<std::string, std::string>& states) {
    const std::string path = target.substr(0, target.find('?'));
    const std::string id = PercentDecode(path.substr(4, path.find('/', 4) - 4));
    if (QueryParam(target, "xml") != "1")
        return HtmlPage(path);
    const std::string state = StateOf(states, id);
    if (state == "error")
        return ErrorReply(500);
    const char* online = state == "online" ? "online" : state == "in-game" ? "in-game" : "offline";
    return TSimReply{200, "text/xml; charset=utf-8",
                     "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
                     "<profile><steamID>" +
                         MarkupEscaped(id) + "</steamID><onlineState>" + online +
                         "</onlineState><privacyState>public</privacyState></profile>"};
}

} // namespace

bool IsOnlineState(const std::string& state) {
    return state == "online" || state == "in-game";
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

std::map<std::string, std::string> ParseStates(const std::string& text) {
    std::map<std::string, std::string> states;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string id;
        std::string status;
        if (words >> id >> status && id[0] != '#')
            states[LowerAscii(id)] = LowerAscii(status);
    }
    return states;
}

std::string QueryParam(const std::string& target, const std::string& name) {
    const auto question = target.find('?');
    if (question == std::string::npos)
        return {};
    std::istringstream pairs(target.substr(question + 1));
    std::string pair;
    while (std::getline(pairs, pair, '&')) {
        if (StartsWith(pair, name + "="))
            return PercentDecode(pair.substr(name.size() + 1));
    }
    return {};
}

const std::string& TSimResponder::DefaultSettings() {
    // The newest version is this build's, so that the program offers no update.
    static const std::string settings = "[Settings]\r\nbuddylimit=5\r\nsitescan=1\r\nactive=1\r\n"
                                        "lastversion=" ZENTRILO_VERSION "\r\n";
    return settings;
}

// The program reads X = A xor B as two hex digits hi lo and takes hi + 5 - lo.
std::string TSimResponder::EncodeStatus(int code) {
    const int maxHi = 15 - (5 - code);
    const int hi = std::uniform_int_distribution<int>(0, maxHi)(random_);
    const int x = hi * 16 + hi + 5 - code;
    const int mask = std::uniform_int_distribution<int>(0, 255)(random_);
    return Hex2(mask) + Hex2(x ^ mask);
}

TSimReply TSimResponder::Respond(const std::string& target,
                                 const std::map<std::string, std::string>& states,
                                 const std::string& settings) {
    const std::string path = target.substr(0, target.find('?'));
    if (path == "/online") {
        const std::string state = StateOf(states, QueryParam(target, "u"));
        if (state == "error")
            return ErrorReply(500);
        return TSimReply{200, "text/plain; charset=UTF-8", IsOnlineState(state) ? "01" : "00"};
    }
    if (path == "/getstatus.php") {
        const std::string state = StateOf(states, QueryParam(target, "yid"));
        if (state == "error")
            return ErrorReply(500);
        const bool scan = QueryParam(target, "invisiblescan") == "1";
        const int code = IsOnlineState(state) ? 0 : (state == "invisible" && scan ? 2 : 1);
        return TSimReply{200, "text/plain; charset=UTF-8", EncodeStatus(code)};
    }
    if (path == "/zentrilo.ini")
        return TSimReply{200, "text/plain; charset=UTF-8",
                         settings.empty() ? DefaultSettings() : settings};
    if (path == "/api/users/status")
        return ChessStatus(target, states);
    if (StartsWith(path, "/id/") && path.size() > 4)
        return GameProfile(target, states);
    if (path == "/" || StartsWith(path, "/zentrilo/") || StartsWith(path, "/donate/") ||
        StartsWith(path, "/@/"))
        return HtmlPage(path);
    return ErrorReply(404);
}
