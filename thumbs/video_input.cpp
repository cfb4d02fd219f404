#include "thumbs/video_input.h"

#include <cmath>
#include <new>
#include <string_view>
#include <vector>

extern "C" {
#include <libavutil/display.h>
}

namespace {

// Container demuxers of the video kinds discovery accepts. Playlists (HLS,
// DASH), lists of files (concat), image sequences and the other formats
// that name further inputs are not among them, so a file that probes as one
// of those is refused before anything else is read.
constexpr const char* containerDemuxers = "mov,matroska,avi,flv,asf,mpeg,mpegts,rm,ogg";

// Bounds on what probing may read and buffer (bytes; microseconds).
constexpr const char* probeBytes = "5000000";
constexpr const char* analyseMicroseconds = "5000000";

constexpr int ioBufferSize = 64 * 1024;

int readSource(void* opaque, std::uint8_t* buffer, int size) {
    auto& source = *static_cast<FileSource*>(opaque);
    if (source.limits->reached()) return AVERROR_EXIT;
    const std::int64_t count = source.reader->readAt(source.position, buffer, static_cast<std::size_t>(size));
    if (count < 0) return AVERROR(EIO);
    if (count == 0) return AVERROR_EOF;
    source.position += static_cast<std::uint64_t>(count);
    return static_cast<int>(count);
}

std::int64_t seekSource(void* opaque, std::int64_t offset, int whence) {
    auto& source = *static_cast<FileSource*>(opaque);
    const auto size = static_cast<std::int64_t>(source.reader->size());
    std::int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return size;
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = static_cast<std::int64_t>(source.position);
            break;
        case SEEK_END:
            base = size;
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (base + offset < 0) return AVERROR(EINVAL);
    source.position = static_cast<std::uint64_t>(base + offset);
    return base + offset;
}

int interrupted(void* opaque) {
    return static_cast<const CaptureLimits*>(opaque)->reached() ? 1 : 0;
}

void openSource(VideoInput& input, const platform::RegularFileReader& file, const CaptureLimits& limits) {
    input.source = std::make_unique<FileSource>();
    input.source->reader = &file;
    input.source->limits = &limits;
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(ioBufferSize));
    if (!buffer) throw std::bad_alloc();
    input.io.reset(avio_alloc_context(buffer, ioBufferSize, 0, input.source.get(), readSource, nullptr, seekSource));
    if (input.io) return;
    av_free(buffer);
    throw std::bad_alloc();
}

// Probes the streams that the header leaves undescribed, decoding no
// picture above the pixel budget.
int findStreamInfo(AVFormatContext* format) {
    std::vector<AVDictionary*> options(format->nb_streams, nullptr);
    for (AVDictionary*& streamOptions : options) streamOptions = decoderOptions();
    const int probed = avformat_find_stream_info(format, options.data());
    for (AVDictionary*& streamOptions : options) av_dict_free(&streamOptions);
    return probed;
}

// MP4 and its kin and Matroska describe every stream in their header. For
// them FFmpeg's stream probe would only decode the first picture once more
// before our decoder does: a third of a still's work.
bool headerDescribesStreams(const AVFormatContext& format) {
    const std::string_view name = format.iformat->name;
    if ((format.ctx_flags & AVFMTCTX_NOHEADER) || (name != "mov,mp4,m4a,3gp,3g2,mj2" && name != "matroska,webm"))
        return false;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        const AVCodecParameters& stream = *format.streams[i]->codecpar;
        if (stream.codec_type == AVMEDIA_TYPE_VIDEO &&
            (stream.codec_id == AV_CODEC_ID_NONE || stream.width <= 0 || stream.height <= 0))
            return false;
    }
    return true;
}

void openDemuxer(VideoInput& input, const std::filesystem::path& path, const CaptureLimits& limits, StreamProbe probe) {
    AVFormatContext* format = avformat_alloc_context();
    if (!format) throw std::bad_alloc();
    format->pb = input.io.get();
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->interrupt_callback = {interrupted, const_cast<CaptureLimits*>(&limits)};
    AVDictionary* options = nullptr;
    av_dict_set(&options, "format_whitelist", containerDemuxers, 0);
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "probesize", probeBytes, 0);
    av_dict_set(&options, "analyzeduration", analyseMicroseconds, 0);
    const std::u8string name = path.u8string();
    // On failure FFmpeg frees the context it was given.
    const int opened = avformat_open_input(&format, reinterpret_cast<const char*>(name.c_str()), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) failCapture("not a video (" + ffmpegError(opened) + ")");
    input.format.reset(format);
    if (probe == StreamProbe::onlyWhereTheHeaderIsSilent && headerDescribesStreams(*format)) return;
    if (const int probed = findStreamInfo(format); probed < 0)
        failCapture("its streams cannot be read (" + ffmpegError(probed) + ")");
}

}  // namespace

std::string ffmpegError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

AVDictionary* decoderOptions() {
    AVDictionary* options = nullptr;
    av_dict_set(&options, "threads", "1", 0);
    av_dict_set_int(&options, "max_pixels", pixelBudget, 0);
    return options;
}

VideoInput openVideoInput(const VideoFile& video, const CaptureLimits& limits, StreamProbe probe) {
    VideoInput input;
    openSource(input, video.file, limits);
    openDemuxer(input, video.path, limits, probe);
    return input;
}

int clockwiseTurnsOf(const AVStream& stream) {
    const auto* matrix =
        reinterpret_cast<const std::int32_t*>(av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
    if (!matrix) return 0;
    const double counterClockwise = av_display_rotation_get(matrix);
    if (std::isnan(counterClockwise)) return 0;
    const long turns = std::lround(-counterClockwise / 90.0);
    return static_cast<int>(((turns % 4) + 4) % 4);
}
