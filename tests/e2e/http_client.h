#pragma once
// HTTP requests to 127.0.0.1 through curl, run by the program's own runProgram.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/test_folder.h"

struct HttpReply {
    std::string status;  // "000" when nothing answered
    std::string headers;
    std::string body;

    // The value of the first header of that name (case-insensitive), or "".
    std::string header(const std::string& name) const;
};

class HttpClient {
public:
    explicit HttpClient(std::uint16_t port) : port_(port) {}

    // `target` is sent as it stands (curl --path-as-is): dots and percent
    // escapes reach the server unchanged. `options` are extra curl arguments.
    HttpReply get(const std::string& target, const std::vector<std::string>& options = {}) const;

private:
    std::uint16_t port_;
    TestFolder scratch_{"http"};
};
