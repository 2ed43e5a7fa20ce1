// zentrilo-sim: serves on one loopback port what the program asks of its four hosts, and the
// reply formats of the presence source presets.
//   zentrilo-sim [--port N] [--state FILE] [--settings FILE]
//                [--demo [--demo-period MIN-MAX] [--seed N]] [ID=STATUS...]
// Prints "PORT <n>" as its first line. The state file ("id status" lines) and the settings file
// are reread on every request, so a buddy can be flipped while the program runs. With --demo it
// flips one ID of the state file itself every 20 to 40 s (--demo-period in ms) and prints
// "FLIP <id> <status>" for each.

#include "tools/loopback/LoopbackListener.h"
#include "tools/loopback/LoopbackSend.h"
#include "tools/zentrilo-sim/SimDemo.h"
#include "tools/zentrilo-sim/SimResponder.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <poll.h>
#include <random>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

struct TOptions {
    int port = 0;
    std::string stateFile;
    std::string settingsFile;
    std::map<std::string, std::string> states; // from the command line
    bool demo = false;
    int demoMinMs = 20000;
    int demoMaxMs = 40000;
    unsigned seed = std::random_device{}();
};

std::string ReadFile(const std::string& path) {
    std::string text;
    if (!path.empty())
        ReadWholeFile(path, text);
    return text;
}

// "MIN-MAX" in milliseconds, 0 < MIN <= MAX.
bool ParsePeriod(const std::string& text, TOptions& options) {
    const auto dash = text.find('-');
    if (dash == std::string::npos)
        return false;
    options.demoMinMs = std::atoi(text.substr(0, dash).c_str());
    options.demoMaxMs = std::atoi(text.substr(dash + 1).c_str());
    return options.demoMinMs > 0 && options.demoMinMs <= options.demoMaxMs;
}

bool ParseArgs(int argc, char** argv, TOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue)
            options.port = std::atoi(argv[++i]);
        else if (arg == "--state" && hasValue)
            options.stateFile = argv[++i];
        else if (arg == "--settings" && hasValue)
            options.settingsFile = argv[++i];
        else if (arg == "--demo")
            options.demo = true;
        else if (arg == "--demo-period" && hasValue) {
            if (!ParsePeriod(argv[++i], options))
                return false;
        } else if (arg == "--seed" && hasValue)
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg.find('=') != std::string::npos && arg[0] != '-')
            options.states.merge(
                ParseStates(arg.substr(0, arg.find('=')) + " " + arg.substr(arg.find('=') + 1)));
        else
            return false;
    }
    // The demo's flips go to the state file: without one there is nothing to flip.
    return options.port >= 0 && options.port <= 65535 &&
           (!options.demo || !options.stateFile.empty());
}

// The listening socket and the port it got, or -1.
int Listen(int port, std::uint16_t& bound) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    const int yes = 1; // a fixed port can be taken again at once after a restart
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    bound = ListenOnLoopback(fd, 16, static_cast<std::uint16_t>(port));
    if (bound == 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// The request head, or empty when the client sends nothing usable in time.
std::string ReadHead(int client) {
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 16384) {
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            return {};
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

const char* Reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 404:
        return "Not Found";
    case 400:
        return "Bad Request";
    default:
        return "Internal Server Error";
    }
}

void Serve(int client, TSimResponder& responder, const TOptions& options) {
    timeval timeout{2, 0}; // a silent client must not stall the others
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    const std::string head = ReadHead(client);
    const std::string line = head.substr(0, head.find("\r\n"));
    // The program puts IDs into the URL unescaped, so the target may hold blanks itself.
    const auto methodEnd = line.find(' ');
    const auto versionStart = line.rfind(" HTTP/");
    const std::string method = line.substr(0, methodEnd);
    std::string target;
    if (methodEnd != std::string::npos && versionStart != std::string::npos &&
        versionStart > methodEnd)
        target = line.substr(methodEnd + 1, versionStart - methodEnd - 1);
    TSimReply reply{400, "text/plain", "Bad Request\n"};
    if (method == "GET" && !target.empty()) {
        auto states = ParseStates(ReadFile(options.stateFile));
        states.merge(std::map<std::string, std::string>(options.states)); // the file wins
        reply = responder.Respond(target, states, ReadFile(options.settingsFile));
    }
    std::ostringstream response;
    response << "HTTP/1.1 " << reply.status << ' ' << Reason(reply.status) << "\r\n"
             << "Content-Type: " << reply.contentType << "\r\n"
             << "Content-Length: " << reply.body.size() << "\r\n"
             << "Connection: close\r\n\r\n"
             << reply.body;
    SendAll(client, response.str());
}

// One flip of the demo, told on stdout.
void Flip(const TOptions& options, TSimDemo& demo) {
    std::string flipped;
    if (!FlipStateFile(options.stateFile, demo, flipped))
        std::fprintf(stderr, "zentrilo-sim: cannot flip an ID in %s\n", options.stateFile.c_str());
    else if (!flipped.empty())
        std::printf("FLIP %s\n", flipped.c_str());
    std::fflush(stdout);
}

// Waits for the next client, at most until `until` (none: for ever); -1 when none came.
int NextClient(int server, std::optional<TClock::time_point> until) {
    int timeoutMs = -1;
    if (until) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - TClock::now());
        timeoutMs = static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
    }
    pollfd ready{server, POLLIN, 0};
    if (poll(&ready, 1, timeoutMs) <= 0)
        return -1;
    return accept(server, nullptr, nullptr);
}

} // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (!ParseArgs(argc, argv, options)) {
        std::fprintf(stderr, "usage: zentrilo-sim [--port N] [--state FILE] [--settings FILE] "
                             "[--demo [--demo-period MIN-MAX] [--seed N]] [ID=STATUS...]\n"
                             "--demo needs --state FILE; the period is in ms\n");
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);
    std::uint16_t port = 0;
    const int server = Listen(options.port, port);
    if (server < 0) {
        std::perror("zentrilo-sim: cannot listen");
        return 1;
    }
    std::printf("PORT %d\n", port);
    std::fflush(stdout);
    TSimResponder responder;
    TSimDemo demo(options.seed, options.demoMinMs, options.demoMaxMs);
    std::optional<TClock::time_point> nextFlip;
    if (options.demo)
        nextFlip = TClock::now() + std::chrono::milliseconds(demo.NextDelayMs());
    for (;;) {
        const int client = NextClient(server, nextFlip);
        if (client >= 0) {
            Serve(client, responder, options);
            close(client);
        }
        if (nextFlip && TClock::now() >= *nextFlip) {
            Flip(options, demo);
            nextFlip = TClock::now() + std::chrono::milliseconds(demo.NextDelayMs());
        }
    }
}
