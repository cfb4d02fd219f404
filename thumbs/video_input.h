#pragma once
// A video file opened for FFmpeg's container demuxers, read through a
// descriptor known to be a regular file, within a capture's limits: what the
// stills and the playback probe read videos through.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/regular_file.h"
#include "thumbs/ffmpeg_handles.h"

// When reading gives up: at once when `stop` is set, and at `deadline`.
// Opening, probing, seeking and decoding all watch both.
struct CaptureLimits {
    const std::atomic<bool>& stop;
    std::chrono::steady_clock::time_point deadline;
    bool reached() const { return stop || std::chrono::steady_clock::now() >= deadline; }
};

// A video file, already opened, and its name.
struct VideoFile {
    const platform::RegularFileReader& file;
    const std::filesystem::path& path;
};

// No picture larger than this is decoded, whatever the file holds: a
// 16000 x 16000 picture would take gigabytes and many seconds in one call
// that nothing can interrupt. Pictures of 8K video (7680 x 4320) pass.
inline constexpr std::int64_t pixelBudget = 40'000'000;
inline constexpr int longestSide = 16384;

// Why a capture gave up; thrown by the steps below and caught where the
// capture returns.
struct CaptureFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] inline void failCapture(const std::string& reason) {
    throw CaptureFailure(reason);
}

// FFmpeg's text for one of its error codes.
std::string ffmpegError(int code);

// FFmpeg reads the file through these callbacks, from a descriptor that is
// known to be a regular file; every read first checks the capture's limits.
struct FileSource {
    const platform::RegularFileReader* reader = nullptr;
    std::uint64_t position = 0;
    const CaptureLimits* limits = nullptr;
};

struct IoFreer {
    void operator()(AVIOContext* io) const {
        av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

// Members are released in reverse order: the decoder, the demuxer, then the
// reading context the demuxer used and the file.
struct VideoInput {
    std::unique_ptr<FileSource> source;
    std::unique_ptr<AVIOContext, IoFreer> io;
    FormatHandle format;
    int streamIndex = -1;
    CodecHandle decoder;
    AVStream* stream() const { return format->streams[streamIndex]; }
};

// What every decoder of a capture is opened with, the stream probe's
// included: one thread, and the pixel budget, which FFmpeg checks against
// the size the picture's own header gives before it allocates anything.
// The caller frees the dictionary.
AVDictionary* decoderOptions();

// Whether opening reads into the streams when the container's header
// already describes them all (MP4 and its kin, Matroska).
enum class StreamProbe { onlyWhereTheHeaderIsSilent, always };

// Opens the demuxer over `video`; no decoder is opened yet. Throws
// CaptureFailure with the reason when the file is no video of a kind
// discovery accepts, or its streams cannot be read.
VideoInput openVideoInput(const VideoFile& video, const CaptureLimits& limits, StreamProbe probe);

// Quarter turns clockwise that the stream's display matrix asks for (phone
// videos recorded on their side), 0 to 3.
int clockwiseTurnsOf(const AVStream& stream);
