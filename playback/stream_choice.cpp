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
