#include "playback/stream_choice.h"

AVStream* streamPlayedFirst(const AVFormatContext& format, AVMediaType type) {
    AVStream* first = nullptr;
    for (unsigned i = 0; i < format.nb_streams; ++i) {
        AVStream* stream = format.streams[i];
        if (stream->codecpar->codec_type != type || (stream->disposition & AV_DISPOSITION_ATTACHED_PIC)) continue;
        if (stream->disposition & AV_DISPOSITION_DEFAULT) return stream;
        if (!first) first = stream;
    }
    return first;
}

std::vector<AVStream*> soundTracksOf(const AVFormatContext& format) {
    std::vector<AVStream*> tracks;
    for (unsigned i = 0; i < format.nb_streams; ++i)
        if (format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) tracks.push_back(format.streams[i]);
    return tracks;
}

AVStream* chosenSoundTrack(const AVFormatContext& format, int track) {
    const std::vector<AVStream*> tracks = soundTracksOf(format);
    if (track >= 0 && static_cast<std::size_t>(track) < tracks.size()) return tracks[static_cast<std::size_t>(track)];
    return streamPlayedFirst(format, AVMEDIA_TYPE_AUDIO);
}
