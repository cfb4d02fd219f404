#include "pool_render.h"

#include <chrono>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <thread>

#include "shell.h"
#include "thumbs/thumbnail_pool.h"

namespace {

// The process's peak resident size, from Linux's /proc.
long peakResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

}  // namespace

int renderWithPool(const std::filesystem::path& videos, const std::filesystem::path& stills) {
    ThumbnailPool::Options options;
    options.sharedFolder = videos;
    ThumbnailPool pool(std::move(options));
    const double seconds = secondsOf([&] {
        pool.start();
        while (!pool.progress().allHandled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    pool.stop();
    const ThumbnailProgress progress = pool.progress();
    // The pool renders into the folder's own still tree; each run's stills
    // are moved aside, so the next run renders them all again.
    std::filesystem::rename(videos / kStillFolderName, stills);
    std::cout << "videos " << progress.total << " failed " << progress.failed << " seconds " << seconds << " peak_kib "
              << peakResidentKib() << "\n";
    return 0;
}

PoolReport readPoolReport(const std::filesystem::path& file) {
    std::ifstream in(file);
    PoolReport report;
    std::string videosWord, failedWord, secondsWord, peakWord;
    in >> videosWord >> report.videos >> failedWord >> report.failed >> secondsWord >> report.seconds >> peakWord >>
        report.peakKib;
    if (!in || videosWord != "videos" || peakWord != "peak_kib")
        throw std::runtime_error("no report from the pool in " + file.string());
    return report;
}
