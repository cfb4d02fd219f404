// The program's playback helper on its own, for the TV page's tests and
// screenshots: serves the folder given (UTF-8) as the share named, keeping
// converted segments in the folder given last; prints "<port> <secret>" and
// answers until its standard input closes.
#include <iostream>
#include <string>

#include "platform/paths.h"
#include "playback/playback_server.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: tvpage_playback_helper <shared folder> <share name> <segment folder>\n";
        return 2;
    }
    const PlaybackServer helper({platform::pathFromUtf8(argv[1]), argv[2], platform::pathFromUtf8(argv[3])});
    std::cout << helper.port() << ' ' << helper.secret() << std::endl;
    for (std::string line; std::getline(std::cin, line);) {}
}
