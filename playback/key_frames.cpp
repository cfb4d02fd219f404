#include "playback/key_frames.h"

#include <algorithm>

#include "thumbs/ffmpeg_handles.h"

namespace {

void rewind(AVFormatContext& format, const AVStream& picture) {
    av_seek_frame(&format, picture.index, streamStart(picture), AVSEEK_FLAG_BACKWARD);
}

std::vector<double> fromIndex(AVStream& picture) {
    std::vector<double> times;
    for (int i = 0; i < avformat_index_get_entries_count(&picture); ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(&picture, i);
        if (entry->flags & AVINDEX_KEYFRAME)
            times.push_back(secondsFromPictureStart(entry->timestamp, picture.time_base, picture));
    }
    return times;
}

std::vector<double> fromPackets(AVFormatContext& format, const AVStream& picture) {
    std::vector<double> times;
    const PacketHandle packet(av_packet_alloc());
    while (av_read_frame(&format, packet.get()) >= 0) {
        const std::int64_t when = packetTime(*packet);
        if (packet->stream_index == picture.index && (packet->flags & AV_PKT_FLAG_KEY) && when != AV_NOPTS_VALUE)
            times.push_back(secondsFromPictureStart(when, picture.time_base, picture));
        av_packet_unref(packet.get());
    }
    return times;
}

}  // namespace

std::int64_t streamStart(const AVStream& stream) {
    return stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
}

std::vector<double> keyFrameTimes(AVFormatContext& format, AVStream& picture) {
    rewind(format, picture);
    std::vector<double> times = fromIndex(picture);
    if (times.size() < 2) {
        times = fromPackets(format, picture);
        rewind(format, picture);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

double secondsFromPictureStart(std::int64_t timestamp, AVRational timeBase, const AVStream& picture) {
    return av_q2d(timeBase) * static_cast<double>(timestamp) -
           av_q2d(picture.time_base) * static_cast<double>(streamStart(picture));
}
