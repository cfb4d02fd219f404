#pragma once
// The pool of workers that renders one PNG still of every video of the
// shared folder into the mirror tree below the folder's VTemp, and goes on
// watching the folder for new videos until it stops. Each still is named as
// thumbs/still_names.h says; when a video appears or goes that changes the
// name of another video's still, the still is moved to its new name.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "thumbs/frame_capture.h"
#include "thumbs/new_video_watch.h"
#include "thumbs/still_tree.h"

// How far the stills have come.
struct ThumbnailProgress {
    std::uint64_t total = 0;     // videos found
    std::uint64_t finished = 0;  // videos handled, failed ones included
    std::uint64_t failed = 0;
    bool allHandled() const { return finished >= total; }
};

// A video that got no still, and why.
struct StillFailure {
    std::filesystem::path video;
    std::string reason;  // UTF-8, for the user
    bool operator==(const StillFailure&) const = default;
};

class ThumbnailPool {
public:
    using Path = std::filesystem::path;
    // Renders the still of `video`, opened as `file`; gives up, with no
    // still, once `stop` is set.
    using CaptureFunction = std::function<StillCapture(const Path& video, const platform::RegularFileReader& file,
                                                       const std::atomic<bool>& stop)>;

    struct Options {
        Path sharedFolder;
        std::int32_t captureSeconds = 0;  // the still's moment; 0: the start
        // How often the folder is scanned for new videos. A new video is seen
        // within one interval and settles at the next, so its still comes
        // within about two intervals of its last write. A scan of 100,000
        // files takes well under 0.1 s.
        std::chrono::milliseconds rescanInterval{std::chrono::seconds(4)};
        unsigned threadCount = 2;
        CaptureFunction capture;  // empty: captureStill at captureSeconds
        // While this says so, no new still begins: someone is watching, and
        // playing comes first. Asked about once a second meanwhile.
        std::function<bool()> holdBack = {};
    };

    explicit ThumbnailPool(Options options);
    // Stops the pool.
    ~ThumbnailPool();
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;

    // Opens the shared folder, which from then on is reached only through
    // that handle (should its name be given to a link, nothing changes),
    // removes the temporary stills an interrupted run left, scans the folder
    // and starts the workers over its videos, and the watch for new ones.
    // Returns the subfolders that could not be read, which are skipped.
    // Raises std::filesystem::filesystem_error when the folder itself cannot
    // be opened or scanned; nothing runs then. Called once.
    std::vector<Path> start();
    // Ends the workers and the watch. A capture that is running gives up at
    // once and leaves no still, not even a temporary file.
    void stop();

    // The counters as they stand; any thread may ask.
    ThumbnailProgress progress() const;
    // The videos that got no still, in the order they failed.
    std::vector<StillFailure> failures() const;

private:
    void workerLoop();
    // Rescans the folder every rescan interval and hands the videos not
    // `known`, once they are no longer being written, to the workers; and
    // again a video whose still failed, once it has changed and settled.
    void watchLoop(const std::vector<Path>& known);
    // Hands the videos to the workers; a video whose still failed before
    // is no longer counted as handled.
    void handOut(const std::vector<Path>& videos);
    // The next video; waits for one, and while the pool is held back, until
    // the pool stops.
    std::optional<Path> takeVideo();
    // Renders one video's still and counts it; when it fails, the watch
    // tries again once the video changes.
    void renderStill(const Path& video);
    // Renders the still unless one is already in place: empty when the video
    // has its still, otherwise why not.
    std::string stillFailureOf(const Path& video);
    // Where the still of `video` (found at `relative` below the shared
    // folder) goes as the stills are named now; needs m_namingMutex.
    Path stillOf(const Path& video, const Path& relative) const;
    // Takes the naming of a new scan, moving the stills of the scan's videos
    // that `watch` knows (the others have none yet) whose names it changes.
    // Videos missing from the scan keep their naming.
    void renameStills(const std::vector<Path>& scan, std::set<Path> wholeNamed, const NewVideoWatch& watch);
    // Moves the stills of `videos`, which have just changed names, from their
    // old names to their new ones; needs m_namingMutex.
    void moveStills(const std::vector<Path>& videos);
    // The video as the user knows it: below the shared folder as given.
    Path shown(const Path& video) const;
    void recordFailure(const Path& video, const std::string& reason);
    // Drops the failure of a video being tried again; false when it had none.
    bool forgetFailure(const Path& video);

    const Options m_options;
    std::unique_ptr<platform::LinkFreeDirectory> m_folder;  // the shared folder, held open
    Path m_root;                  // a path that leads to m_folder alone; the videos' paths begin with it
    std::vector<Path> m_pending;  // a stack: taken from the end
    // Failed videos as they looked when their capture began, for the watch.
    std::vector<std::pair<Path, FileLook>> m_failedLooks;
    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;  // a video added, or the stop flag set
    std::vector<std::thread> m_workers;
    std::thread m_watcher;
    std::atomic<bool> m_stopRequested{false};
    std::atomic<std::uint64_t> m_videosFound{0};
    std::atomic<std::uint64_t> m_videosFinished{0};
    std::atomic<std::uint64_t> m_videosFailed{0};
    // Held while a still's name is looked up and the still is put in place
    // or moved, so that no still lands under a name just given to another.
    mutable std::mutex m_namingMutex;
    std::set<Path> m_wholeNamed;  // the videos whose stills take their whole names
    mutable std::mutex m_failureMutex;
    std::vector<StillFailure> m_failures;
};
