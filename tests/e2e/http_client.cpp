#include "tests/e2e/http_client.h"

#include <algorithm>
#include <cctype>

#include "platform/process.h"

namespace {

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// The status comes from the reply's first line, "HTTP/1.1 200 OK"; nothing
// answered when curl wrote no headers.
std::string statusOf(const std::string& headers) {
    const std::size_t code = headers.find(' ');
    return headers.starts_with("HTTP/") && code != std::string::npos ? headers.substr(code + 1, 3) : "000";
}

}  // namespace

std::string HttpReply::header(const std::string& name) const {
    std::size_t lineStart = 0;
    while (lineStart < headers.size()) {
        const std::size_t lineEnd = headers.find("\r\n", lineStart);
        const std::string line = headers.substr(lineStart, lineEnd - lineStart);
        if (startsWithIgnoringCase(line, name + ":")) {
            const std::size_t value = line.find_first_not_of(' ', name.size() + 1);
            return value == std::string::npos ? "" : line.substr(value);
        }
        if (lineEnd == std::string::npos) break;
        lineStart = lineEnd + 2;
    }
    return "";
}

HttpReply HttpClient::get(const std::string& target, const std::vector<std::string>& options) const {
    const std::filesystem::path body = scratch_ / "body";
    const std::filesystem::path headers = scratch_ / "headers";
    std::filesystem::remove(body);
    std::filesystem::remove(headers);
    std::vector<std::string> arguments{"--silent", "--path-as-is", "--max-time", "10",
                                       "-o",       utf8Of(body),   "-D",         utf8Of(headers)};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("http://127.0.0.1:" + std::to_string(port_) + target);
    platform::runProgram("curl", arguments);
    HttpReply reply;
    reply.headers = readFile(headers);
    reply.status = statusOf(reply.headers);
    reply.body = readFile(body);
    return reply;
}
