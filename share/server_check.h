#pragma once
// What the running share found when it looked at its web server.
#include <string>

struct ServerCheck {
    enum class Outcome {
        fine,       // the server runs (or no share runs)
        restarted,  // it had ended behind the program's back and was started again
        stopped,    // it ended and could not be kept running: the share stopped
    };
    Outcome outcome = Outcome::fine;
    // UTF-8: why it ended, from nginx's error log, or why it could not be
    // started again; empty when nothing says (it was killed).
    std::string reason;
};
