#include "tests/e2e/http_client.h"

#include <algorithm>
#include <cctype>

namespace {

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
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
    std::string command = "curl --silent --path-as-is --max-time 10 -o " + shQuote(utf8Of(body)) + " -D " +
                          shQuote(utf8Of(headers)) + " -w '%{http_code}'";
    for (const std::string& option : options) command += " " + shQuote(option);
    command += " " + shQuote("http://127.0.0.1:" + std::to_string(port_) + target);
    HttpReply reply;
    reply.status = shellOutput(command, scratch_);
    reply.headers = readFile(headers);
    reply.body = readFile(body);
    return reply;
}
