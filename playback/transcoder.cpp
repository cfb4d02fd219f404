#include "playback/transcoder.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <thread>

#include "playback/transcode_run.h"

namespace {

// A job about to reach a segment this many ahead of where it is goes on to
// it; a request further away starts a new job there.
constexpr std::size_t kReach = 2;

std::string readWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Whether all of `bytes` reached `file`. Nothing serves the file before the
// transcoder records it, so it needs no temporary name.
bool writeWhole(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace

struct Transcoder::Job {
    std::unique_ptr<platform::RegularFileReader> file;
    Video video;
    SegmentPlan plan;
    std::size_t next = 0;    // the segment it makes now
    std::size_t wanted = 0;  // the segment last asked for
    std::chrono::steady_clock::time_point lastAsked = std::chrono::steady_clock::now();
    bool running = true;
    std::string failure;
    std::atomic<bool> stop{false};
    std::thread thread;
};

Transcoder::Transcoder(Options options) : m_options(std::move(options)) {
    std::filesystem::create_directories(m_options.folder);
}

Transcoder::~Transcoder() {
    std::unique_lock lock(m_mutex);
    std::unique_ptr<Job> job = std::move(m_job);
    lock.unlock();
    if (job) {
        job->stop = true;
        m_changed.notify_all();
        job->thread.join();
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_options.folder, ignored);
}

bool Transcoder::converting() const {
    const std::lock_guard lock(m_mutex);
    return m_job && m_job->running;
}

bool Transcoder::jobReaches(const Video& video, std::size_t segment) const {
    return m_job && m_job->video == video && m_job->running && segment >= m_job->next &&
           segment <= m_job->next + kReach;
}

SegmentBytes Transcoder::segment(std::unique_ptr<platform::RegularFileReader> file, const Video& video,
                                 const SegmentPlan& plan, std::size_t segment) {
    const Key key{video, segment};
    std::unique_lock lock(m_mutex);
    while (!m_stored.contains(key) && !jobReaches(video, segment)) {
        if (m_job) {
            // The job before ends first: one conversion at a time.
            std::unique_ptr<Job> old = std::move(m_job);
            old->stop = true;
            m_changed.notify_all();
            lock.unlock();
            old->thread.join();
            lock.lock();
            continue;
        }
        m_job = std::make_unique<Job>();
        m_job->file = std::move(file);
        m_job->video = video;
        m_job->plan = plan;
        m_job->next = segment;
        m_job->thread = std::thread([this, job = m_job.get()] { run(*job); });
    }
    Job* job = m_job && m_job->video == video ? m_job.get() : nullptr;
    if (job) {
        job->wanted = segment;
        job->lastAsked = std::chrono::steady_clock::now();
        m_changed.notify_all();
    }
    m_changed.wait_for(lock, m_options.patience,
                       [&] { return m_stored.contains(key) || m_job.get() != job || !job || !job->running; });
    if (const auto stored = m_stored.find(key); stored != m_stored.end()) return {readWhole(stored->second.file), {}};
    if (job && m_job.get() == job && !job->failure.empty()) return {{}, job->failure};
    return {{}, "the segment was not made in time"};
}

void Transcoder::run(Job& job) {
    std::string failure;
    try {
        transcodeSegments(
            *job.file, job.video.path, job.plan, job.next, job.stop,
            [&](std::size_t segment, std::string&& bytes) { return keep(job, segment, std::move(bytes)); },
            job.video.soundTrack);
    } catch (const std::exception& error) {  // the reason it could not, or memory ran out
        failure = error.what();
    }
    const std::lock_guard lock(m_mutex);
    job.failure = failure;
    job.running = false;
    m_changed.notify_all();
}

bool Transcoder::keep(Job& job, std::size_t segment, std::string&& bytes) {
    std::unique_lock lock(m_mutex);
    const Key key{job.video, segment};
    const std::filesystem::path file = fileFor(key);
    lock.unlock();
    const bool written = writeWhole(file, bytes);
    lock.lock();
    if (written) {
        if (const auto old = m_stored.find(key); old != m_stored.end()) m_storedBytes -= old->second.size;
        m_stored[key] = {file, bytes.size(), ++m_madeCount};
        m_storedBytes += bytes.size();
        removeOldestBeyondLimit();
    }
    job.next = segment + 1;
    m_changed.notify_all();
    // Far enough ahead of the player, the job waits for it; nobody asking
    // for a while ends it.
    const auto idle = [&] { return std::chrono::steady_clock::now() - job.lastAsked >= m_options.idleEnd; };
    while (!job.stop && !idle() && job.next > job.wanted + m_options.ahead)
        m_changed.wait_until(lock, job.lastAsked + m_options.idleEnd);
    return written && !job.stop && !idle();
}

void Transcoder::removeOldestBeyondLimit() {
    while (m_storedBytes > m_options.byteLimit && m_stored.size() > 1) {
        auto oldest = m_stored.begin();
        for (auto at = m_stored.begin(); at != m_stored.end(); ++at)
            if (at->second.order < oldest->second.order) oldest = at;
        std::error_code ignored;
        std::filesystem::remove(oldest->second.file, ignored);
        m_storedBytes -= oldest->second.size;
        m_stored.erase(oldest);
    }
}

// "<number of the video and sound track>-<segment>.ts": the video's own name may be too long or
// hold what the file system refuses.
std::filesystem::path Transcoder::fileFor(const Key& key) {
    const auto number = m_videoNumbers.try_emplace(key.first, m_videoNumbers.size()).first->second;
    return m_options.folder / (std::to_string(number) + "-" + std::to_string(key.second) + ".ts");
}
