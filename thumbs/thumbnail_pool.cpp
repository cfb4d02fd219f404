#include "thumbs/thumbnail_pool.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <unordered_set>

extern "C" {
#include <libavformat/avformat.h>
}

#include "platform/debug_output.h"
#include "platform/heap_tuning.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "thumbs/atomic_file_write.h"
#include "thumbs/still_names.h"
#include "thumbs/still_tree.h"
#include "thumbs/video_discovery.h"

namespace fs = std::filesystem;

namespace {

// The options with the real capture where none was given.
ThumbnailPool::Options withCapture(ThumbnailPool::Options options) {
    if (!options.capture)
        options.capture = [seconds = options.captureSeconds](
                              const fs::path& video, const platform::RegularFileReader& file,
                              const std::atomic<bool>& stop) { return captureStill(file, video, seconds, stop); };
    return options;
}

// The shared folder held open; raises what scanning it would raise.
std::unique_ptr<platform::LinkFreeDirectory> openFolder(const fs::path& folder) {
    auto held = platform::LinkFreeDirectory::open(folder);
    if (held) return held;
    std::error_code error;
    fs::directory_iterator{folder, error};
    if (!error) error = std::make_error_code(std::errc::not_a_directory);
    throw fs::filesystem_error("cannot open the shared folder", folder, error);
}

// A relative path that names something strictly below its base: not empty
// (different volumes), not the base itself, and never climbing out.
bool staysInside(const fs::path& relative) {
    if (relative.empty() || relative == ".") return false;
    for (const fs::path& element : relative)
        if (element == "..") return false;
    return true;
}

// Where a still goes, and whether a still from an earlier run, or anything
// else, already holds its place; an empty file does not count. No PNG is
// empty, but a power cut just after a still was renamed into place can
// leave its name with no content, which would otherwise stand in for the
// still for good. A link there is left alone and keeps the still out.
struct StillSpot {
    std::unique_ptr<platform::LinkFreeDirectory> directory;
    fs::path name;
    bool taken = false;
    std::string failure;  // why no still can go there
};

StillSpot stillSpotOf(const platform::LinkFreeDirectory& folder, const fs::path& still) {
    StillSpot spot{openStillDirectory(folder, still), still.filename(), false, {}};
    if (!spot.directory) {
        spot.failure = "the still's folder cannot be made: a link or a file stands in its way";
        return spot;
    }
    const platform::EntryStatus status = spot.directory->status(spot.name);
    switch (status.kind) {
        case platform::EntryKind::missing:
            break;
        case platform::EntryKind::link:
            spot.failure = "a link stands in the still's place";
            break;
        case platform::EntryKind::regularFile:
            spot.taken = status.size != 0;
            break;
        default:
            spot.taken = true;
    }
    return spot;
}

}  // namespace

ThumbnailPool::ThumbnailPool(Options options) : m_options(withCapture(std::move(options))) {
    avformat_network_init();
    platform::keepFreedMemory();
}

ThumbnailPool::~ThumbnailPool() {
    stop();
    avformat_network_deinit();
}

std::vector<fs::path> ThumbnailPool::start() {
    m_folder = openFolder(m_options.sharedFolder);
    m_root = m_folder->heldPath();
    std::vector<fs::path> unreadable;
    m_pending = scanVideos(m_root, &unreadable);
    m_wholeNamed = videosWithWholeStillNames(m_pending);
    for (fs::path& folder : unreadable) folder = shown(folder);
    removeTemporaryStills(*m_folder);
    m_videosFound = m_pending.size();
    // The watch knows the videos found so far before any worker takes one.
    m_watcher = std::thread(&ThumbnailPool::watchLoop, this, m_pending);
    for (unsigned i = 0; i < m_options.threadCount; ++i) m_workers.emplace_back(&ThumbnailPool::workerLoop, this);
    return unreadable;
}

void ThumbnailPool::stop() {
    {
        // Taken so that a worker between its test of the flag and its wait
        // cannot miss the wake-up.
        std::lock_guard lock(m_queueMutex);
        m_stopRequested = true;
    }
    m_queueChanged.notify_all();
    for (std::thread& worker : m_workers)
        if (worker.joinable()) worker.join();
    m_workers.clear();
    if (m_watcher.joinable()) m_watcher.join();
}

ThumbnailProgress ThumbnailPool::progress() const {
    return {m_videosFound.load(), m_videosFinished.load(), m_videosFailed.load()};
}

std::vector<StillFailure> ThumbnailPool::failures() const {
    std::lock_guard lock(m_failureMutex);
    return m_failures;
}

void ThumbnailPool::watchLoop(const std::vector<Path>& known) {
    NewVideoWatch watch(known);
    std::unique_lock lock(m_queueMutex);
    while (!m_queueChanged.wait_for(lock, m_options.rescanInterval, [this] { return m_stopRequested.load(); })) {
        for (const auto& [video, look] : m_failedLooks) watch.retryWhenChanged(video, look);
        m_failedLooks.clear();
        lock.unlock();
        std::vector<Path> ready;
        try {
            // A subfolder that may not be read costs only its own videos,
            // as at the start.
            std::vector<Path> unreadable;
            const std::vector<Path> scan = scanVideos(m_root, &unreadable);
            renameStills(scan, videosWithWholeStillNames(scan), watch);
            ready = watch.settled(scan);
        } catch (...) {
            // The folder could not be walked this time; the next scan tries again.
        }
        lock.lock();
        handOut(ready);
    }
}

void ThumbnailPool::handOut(const std::vector<Path>& videos) {
    for (const Path& video : videos) {
        if (forgetFailure(shown(video))) {
            --m_videosFinished;
        } else {
            ++m_videosFound;
        }
        m_pending.push_back(video);
    }
    if (!videos.empty()) m_queueChanged.notify_all();
}

std::optional<fs::path> ThumbnailPool::takeVideo() {
    std::unique_lock lock(m_queueMutex);
    for (;;) {
        m_queueChanged.wait(lock, [this] { return m_stopRequested || !m_pending.empty(); });
        if (m_stopRequested) return std::nullopt;
        if (!m_options.holdBack || !m_options.holdBack()) break;
        m_queueChanged.wait_for(lock, std::chrono::seconds(1));
    }
    fs::path video = std::move(m_pending.back());
    m_pending.pop_back();
    return video;
}

// A worker that ends gives back the memory the heap kept for the decoders,
// so a share that runs on holds no more than it needs.
void ThumbnailPool::workerLoop() {
    while (const std::optional<Path> video = takeVideo()) renderStill(*video);
    platform::releaseFreedMemory();
}

// Any exception (a file-system failure, memory running out) counts the
// video as failed, and the worker goes on with the next one instead of
// letting it end the program.
void ThumbnailPool::renderStill(const Path& video) {
    const std::optional<FileLook> look = lookOf(video);
    std::string failure;
    try {
        failure = stillFailureOf(video);
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown error";
    }
    if (!failure.empty()) recordFailure(shown(video), failure);
    ++m_videosFinished;
    // A failed video is counted as handled before the watch may hand it out again.
    if (failure.empty() || !look) return;
    std::lock_guard lock(m_queueMutex);
    m_failedLooks.emplace_back(video, *look);
}

// Nothing is made or written through a link, and nothing is read that the
// web server would not serve. The still's place is looked up again once the
// capture is done: a video that appeared meanwhile may have renamed it.
std::string ThumbnailPool::stillFailureOf(const Path& video) {
    const fs::path relative = video.lexically_relative(m_root);
    if (!staysInside(relative)) return "not inside the shared folder";
    {
        std::lock_guard lock(m_namingMutex);
        const StillSpot spot = stillSpotOf(*m_folder, stillOf(video, relative));
        if (spot.taken || !spot.failure.empty()) return spot.failure;
    }
    std::string refusal;
    const auto file = m_folder->openServedFile(relative, refusal);
    if (!file) return refusal;
    const StillCapture capture = m_options.capture(shown(video), *file, m_stopRequested);
    if (capture.png.view().empty()) return capture.failure.empty() ? "no still" : capture.failure;
    std::lock_guard lock(m_namingMutex);
    const StillSpot spot = stillSpotOf(*m_folder, stillOf(video, relative));
    if (!spot.failure.empty()) return spot.failure;
    if (!writeFileAtomically(*spot.directory, spot.name, capture.png.view())) return "the still cannot be written";
    return {};
}

fs::path ThumbnailPool::stillOf(const Path& video, const Path& relative) const {
    return stillPathOf(relative, m_wholeNamed.count(video) > 0);
}

void ThumbnailPool::renameStills(const std::vector<Path>& scan, std::set<Path> wholeNamed, const NewVideoWatch& watch) {
    std::lock_guard lock(m_namingMutex);
    std::vector<Path> changed;
    std::set_symmetric_difference(m_wholeNamed.begin(), m_wholeNamed.end(), wholeNamed.begin(), wholeNamed.end(),
                                  std::back_inserter(changed));
    if (changed.empty()) return;
    std::unordered_set<Path::string_type> scanned;
    for (const Path& video : scan) scanned.insert(video.native());
    std::vector<Path> renamed;
    for (Path& video : changed) {
        if (scanned.count(video.native())) {
            if (watch.knows(video)) renamed.push_back(std::move(video));
        } else if (m_wholeNamed.count(video)) {
            wholeNamed.insert(std::move(video));
        }
    }
    m_wholeNamed = std::move(wholeNamed);
    moveStills(renamed);
}

// Through temporary names first, since one video's new name can be
// another's old one ("a.mp4" and "a.mp4.mkv" when "a.mkv" appears). A file
// still at a new name once the old ones are out of the way is a still that
// no video claims any more, and is replaced; a link or a folder there is
// left alone, as everywhere, and the still stays where it was.
void ThumbnailPool::moveStills(const std::vector<Path>& videos) {
    struct Move {
        std::unique_ptr<platform::LinkFreeDirectory> directory;
        fs::path temporary, to;
    };
    std::vector<Move> moves;
    for (const Path& video : videos) {
        const fs::path relative = video.lexically_relative(m_root);
        if (!staysInside(relative)) continue;
        const fs::path to = stillOf(video, relative);
        const fs::path from = stillPathOf(relative, !m_wholeNamed.count(video)).filename();
        Move move{openStillDirectory(*m_folder, to, false), newTemporaryName(), to.filename()};
        if (!move.directory || move.directory->status(from).kind != platform::EntryKind::regularFile) continue;
        const platform::EntryKind target = move.directory->status(move.to).kind;
        if (target != platform::EntryKind::missing && target != platform::EntryKind::regularFile) continue;
        if (move.directory->rename(from, move.temporary)) moves.push_back(std::move(move));
    }
    for (const Move& move : moves) move.directory->rename(move.temporary, move.to);
}

fs::path ThumbnailPool::shown(const Path& video) const {
    return m_options.sharedFolder / video.lexically_relative(m_root);
}

void ThumbnailPool::recordFailure(const Path& video, const std::string& reason) {
    const std::string text = platform::utf8FromPath(video);
    platform::debugOutput(L"[stills] no still of " + platform::utf8ToWide(text) + L": " + platform::utf8ToWide(reason) +
                          L"\n");
    std::lock_guard lock(m_failureMutex);
    m_failures.push_back({video, reason});
    ++m_videosFailed;
}

bool ThumbnailPool::forgetFailure(const Path& video) {
    std::lock_guard lock(m_failureMutex);
    const auto failure =
        std::find_if(m_failures.begin(), m_failures.end(), [&](const StillFailure& f) { return f.video == video; });
    if (failure == m_failures.end()) return false;
    m_failures.erase(failure);
    --m_videosFailed;
    return true;
}
