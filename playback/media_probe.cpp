#include "playback/media_probe.h"

#include <atomic>
#include <chrono>

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "platform/paths.h"
#include "playback/ascii_case.h"
#include "playback/key_frames.h"
#include "playback/stream_choice.h"
#include "thumbs/video_input.h"

namespace {

// Reading the streams' descriptions takes a few reads; finding the key
// frames of a container without an index, one pass over the file.
constexpr std::chrono::seconds kProbeTime{30};

ProbeResult failed(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

int bitDepthOf(const AVCodecParameters& picture) {
    const AVPixFmtDescriptor* described = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture.format));
    return described ? described->comp[0].depth : 8;
}

std::string metadataOf(const AVStream& stream, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(stream.metadata, key, nullptr, 0);
    return entry ? entry->value : "";
}

TrackFacts trackOf(const AVStream& stream) {
    return {stream.index, avcodec_get_name(stream.codecpar->codec_id), metadataOf(stream, "language"),
            metadataOf(stream, "title")};
}

// Text subtitles decode to text that the WebVTT encoder takes; picture
// subtitles would have to be drawn over the picture.
void addSubtitle(const AVStream& stream, StreamFacts& facts) {
    const AVCodecDescriptor* described = avcodec_descriptor_get(stream.codecpar->codec_id);
    if (!described) return;
    if (described->props & AV_CODEC_PROP_TEXT_SUB) facts.textSubtitles.push_back(trackOf(stream));
    if (described->props & AV_CODEC_PROP_BITMAP_SUB) facts.pictureSubtitles = true;
}

void addTracks(const AVFormatContext& format, StreamFacts& facts) {
    const AVStream* playedFirst = streamPlayedFirst(format, AVMEDIA_TYPE_AUDIO);
    for (const AVStream* sound : soundTracksOf(format)) {
        if (sound == playedFirst) facts.soundPlayedFirst = facts.soundTracks.size();
        facts.soundTracks.push_back(trackOf(*sound));
    }
    for (unsigned i = 0; i < format.nb_streams; ++i)
        if (format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) addSubtitle(*format.streams[i], facts);
}

StreamFacts factsOf(const AVFormatContext& format, const AVStream& picture, const std::filesystem::path& video) {
    const AVCodecParameters& parameters = *picture.codecpar;
    StreamFacts facts;
    facts.container = format.iformat->name;
    facts.extension = asciiLowerCase(platform::utf8FromPath(video.extension()));
    facts.videoCodec = avcodec_get_name(parameters.codec_id);
    facts.videoBitDepth = bitDepthOf(parameters);
    facts.width = parameters.width;
    facts.height = parameters.height;
    if (const AVStream* sound = streamPlayedFirst(format, AVMEDIA_TYPE_AUDIO))
        facts.audioCodec = avcodec_get_name(sound->codecpar->codec_id);
    addTracks(format, facts);
    if (format.duration > 0) facts.durationSeconds = static_cast<double>(format.duration) / AV_TIME_BASE;
    return facts;
}

}  // namespace

ProbeResult probeStreams(const platform::RegularFileReader& file, const std::filesystem::path& video) {
    const std::atomic<bool> never{false};
    const CaptureLimits limits{never, std::chrono::steady_clock::now() + kProbeTime};
    try {
        const VideoInput input = openVideoInput({file, video}, limits, StreamProbe::always);
        AVStream* picture = streamPlayedFirst(*input.format, AVMEDIA_TYPE_VIDEO);
        if (!picture) return failed("文件里没有画面");
        StreamFacts facts = factsOf(*input.format, *picture, video);
        facts.keyFrames = keyFrameTimes(*input.format, *picture);
        if (facts.durationSeconds <= 0) return failed("文件已损坏，读不出它的长度");
        return {std::move(facts), {}};
    } catch (const CaptureFailure&) {
        return failed("文件已损坏，或者不是视频文件");
    }
}

ProbeResult probeStreams(const std::filesystem::path& video) {
    const auto file = platform::RegularFileReader::open(video);
    if (!file) return failed("文件打不开");
    return probeStreams(*file, video);
}
