#pragma once
// Rendering a folder's stills with our own pool, as the child process of the
// benchmark, so that its peak memory is the pool's alone.
#include <filesystem>

// Renders every video below `videos` with a two-worker ThumbnailPool, moves
// the stills to `stills` (a new folder) and prints one line: "videos N failed F seconds S peak_kib K".
int renderWithPool(const std::filesystem::path& videos, const std::filesystem::path& stills);

struct PoolReport {
    int videos = 0;
    int failed = 0;
    double seconds = 0;
    long peakKib = 0;
};
PoolReport readPoolReport(const std::filesystem::path& file);
