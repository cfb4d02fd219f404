#pragma once
// What the window's status line and the tray icon's tip say about the share
// and its stills. Texts are UTF-8.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "share/server_check.h"
#include "thumbs/thumbnail_pool.h"

struct ShareStatus {
    bool running = false;
    std::int32_t port = 0;
    std::string startFailure;                 // why the last Start failed; empty when it did not
    std::string startWarning;                 // what the Start of the running share warned of
    ServerCheck server;                       // what became of the server since that Start, when not fine
    std::optional<ThumbnailProgress> stills;  // while a pool exists
    std::vector<StillFailure> stillFailures;  // the videos that got no still, and why
};

// "已停止", "共享中（端口 N）" with the stills' progress, why Start failed, or
// that the server ended and the share with it: at most two lines, the second
// for the warnings while the share runs (a server started again, what Start
// warned of) or for the rest of a failure's message, each line to be cut
// short in the middle when too long for the window.
std::string statusLine(const ShareStatus& status);

// The status line's warning or failure in full, as Start or the server's
// check reported it, and while the share runs the videos that got no still,
// each with its reason.
std::string statusDetails(const ShareStatus& status);

// The tray icon's tip: the program's name and whether the share runs, with
// the stills' progress; short enough for every tray.
std::string trayTip(const ShareStatus& status);
