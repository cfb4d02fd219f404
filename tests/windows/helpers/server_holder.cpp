// A program that holds a share and then dies without stopping it, as a crash
// would: it starts `program` (arguments after it) as its web server, writes
// the server's process id to `pid file`, and ends itself by force.
//
//   server_holder <pid file> <program> [arguments...]
#include <fstream>
#include <string>
#include <vector>
#include <windows.h>

#include "platform/server_process.h"
#include "platform/text_codec.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    platform::ServerLaunch launch;
    launch.program = argv[2];
    launch.workingDirectory = std::filesystem::path(argv[2]).parent_path();
    for (int i = 3; i < argc; ++i) launch.arguments.push_back(platform::wideToUtf8(argv[i]));
    std::string error;
    const auto server = platform::ServerProcess::start(launch, error);
    if (!server) return 1;
    std::ofstream(argv[1]) << server->id() << "\n";
    TerminateProcess(GetCurrentProcess(), 0);
    return 0;
}
