#pragma once
// Where the program keeps its files: everything hangs below the directory
// that holds the program, and each well-known file is named here only.
#include <filesystem>

struct InstallPaths {
    // Derives every path below `programDir`.
    explicit InstallPaths(std::filesystem::path programDir);

    std::filesystem::path programDir;
    std::filesystem::path settingsFile;     // vomra.data
    std::filesystem::path tutorialPage;     // tutorial.html
    std::filesystem::path serverDir;        // vomrixserver/server, nginx's prefix
    std::filesystem::path serverProgram;    // nginx, or nginx.exe
    std::filesystem::path htpasswdProgram;  // htpasswd; none on Windows
    std::filesystem::path passwordFile;     // .htpasswd
    std::filesystem::path configTemplate;   // conf/nginx.confbak
    std::filesystem::path configFile;       // conf/nginx.conf
    std::filesystem::path deniedLinksFile;  // conf/denied_links.conf, included by nginx.conf
    std::filesystem::path pidFile;          // logs/nginx.pid, as nginx.confbak names it
    std::filesystem::path errorLog;         // logs/error.log
};

// The directory that holds the program's executable.
std::filesystem::path programDirectory();
