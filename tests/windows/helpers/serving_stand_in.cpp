// Stands in for nginx.exe where the program's Start has to succeed. Records
// every call as the recording stand-in does, and then:
//   without arguments (the server): accepts connections on 127.0.0.1 at the
//     port of conf\nginx.conf's "listen" line and writes logs\nginx.pid,
//     until it is ended;
//   with arguments (a quit request): ends.
#include <winsock2.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <windows.h>

#include "helpers/call_record.h"
#include "platform/paths.h"

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

int listenedPort() {
    std::ifstream in("conf/nginx.conf");
    std::stringstream text;
    text << in.rdbuf();
    const std::string conf = text.str();
    std::smatch match;
    if (!std::regex_search(conf, match, std::regex(R"(listen\s+(?:[^;\s]*:)?(\d+))"))) return 0;
    return std::stoi(match[1]);
}

int serve() {
    const int port = listenedPort();
    WSADATA data;
    if (port == 0 || WSAStartup(MAKEWORD(2, 2), &data) != 0) return 3;
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listener, 16) != 0)
        return 4;
    std::ofstream("logs/nginx.pid") << GetCurrentProcessId() << '\n';
    for (;;) {
        const SOCKET connection = accept(listener, nullptr, nullptr);
        if (connection != INVALID_SOCKET) closesocket(connection);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CallRecord call;
    call.workingDirectory = utf8(std::filesystem::current_path());
    for (int i = 1; i < argc; ++i) call.arguments.push_back(utf8(argv[i]));
    appendCallRecord(callsFileOf(platform::executablePath()), call);
    return call.arguments.empty() ? serve() : 0;
}
