#pragma once
// How long ThumbnailPool::stop takes while its workers capture large videos.
#include <filesystem>
#include <vector>

struct StopLatency {
    double captureSeconds = 0;        // both stills, undisturbed
    std::vector<double> stopSeconds;  // one stop a trial, sorted
    int stopsDuringCaptures = 0;      // trials whose stop found both still running
};

// Starts a two-worker pool over the videos of `videos` `trials` times,
// each time with no stills yet, and stops it at moments spread
// over the first four fifths of the time the two captures take.
StopLatency measureStopLatency(const std::filesystem::path& videos, int trials);
