// zentrilo-sim: serves on one loopback port what the program asks of its four hosts.
//   zentrilo-sim [--port N] [--state FILE] [--settings FILE] [ID=STATUS...]
// Prints "PORT <n>" as its first line. The state file ("id status" lines) and the settings file
// are reread on every request, so a buddy can be flipped while the program runs.

#include "tools/loopback/LoopbackListener.h"
#include "tools/zentrilo-sim/SimResponder.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

struct TOptions {
    int port = 0;
    std::string stateFile;
    std::string settingsFile;
    std::map<std::string, std::string> states; // from the command line
};

std::string ReadFile(const std::string& path) {
    if (path.empty())
        return {};
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
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
        else if (arg.find('=') != std::string::npos && arg[0] != '-')
            options.states.merge(
                ParseStates(arg.substr(0, arg.find('=')) + " " + arg.substr(arg.find('=') + 1)));
        else
            return false;
    }
    return options.port >= 0 && options.port <= 65535;
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

void SendAll(int client, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = send(client, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
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

} // namespace

int main(int argc, char** argv) {
    TOptions options;
    if (!ParseArgs(argc, argv, options)) {
        std::fprintf(stderr, "usage: zentrilo-sim [--port N] [--state FILE] [--settings FILE] "
                             "[ID=STATUS...]\n");
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
    for (;;) {
        const int client = accept(server, nullptr, nullptr);
        if (client < 0)
            continue;
        Serve(client, responder, options);
        close(client);
    }
}
