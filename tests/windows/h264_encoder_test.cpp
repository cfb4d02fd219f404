// The Windows build of FFmpeg carries x264's H.264 encoder, which the playback
// helper converts pictures with: 720p pictures, the first forced to be a key
// frame, come out as H.264 led by a key frame, and FFmpeg's own decoder reads
// them back at their size.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "thumbs/ffmpeg_handles.h"

namespace {

constexpr int pictureWidth = 1280;
constexpr int pictureHeight = 720;
constexpr int pictureCount = 10;

// A grey picture with a white bar that moves with the index, so that the
// encoder has motion to code.
void paintPicture(AVFrame& frame, int index) {
    for (int plane = 0; plane < 3; ++plane) {
        const int rows = plane == 0 ? frame.height : frame.height / 2;
        for (int row = 0; row < rows; ++row) {
            std::fill_n(frame.data[plane] + row * frame.linesize[plane], frame.linesize[plane], 128);
        }
    }
    for (int row = 0; row < frame.height; ++row) {
        std::fill_n(frame.data[0] + row * frame.linesize[0] + index * 32, 64, 235);
    }
}

// Sends one picture, or the end for nullptr, and keeps what comes out.
void encode(AVCodecContext& encoder, const AVFrame* frame, std::vector<PacketHandle>& packets) {
    ASSERT_EQ(avcodec_send_frame(&encoder, frame), 0);
    for (;;) {
        PacketHandle packet(av_packet_alloc());
        if (avcodec_receive_packet(&encoder, packet.get()) != 0) return;
        packets.push_back(std::move(packet));
    }
}

// The pictures FFmpeg's H.264 decoder makes of the packets, as their sizes.
std::vector<std::pair<int, int>> decodedSizes(const std::vector<PacketHandle>& packets) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_H264);
    const CodecHandle decoder(avcodec_alloc_context3(codec));
    std::vector<std::pair<int, int>> sizes;
    if (avcodec_open2(decoder.get(), codec, nullptr) != 0) return sizes;
    const FrameHandle picture(av_frame_alloc());
    auto receive = [&] {
        while (avcodec_receive_frame(decoder.get(), picture.get()) == 0) {
            sizes.emplace_back(picture->width, picture->height);
        }
    };
    for (const PacketHandle& packet : packets) {
        avcodec_send_packet(decoder.get(), packet.get());
        receive();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    return sizes;
}

TEST(PlaybackOnWindows, X264EncodesPicturesAsH264LedByAKeyFrame) {
    const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
    ASSERT_NE(codec, nullptr) << "FFmpeg was built without libx264";
    const CodecHandle encoder(avcodec_alloc_context3(codec));
    encoder->width = pictureWidth;
    encoder->height = pictureHeight;
    encoder->pix_fmt = AV_PIX_FMT_YUV420P;
    encoder->time_base = {1, 25};
    encoder->framerate = {25, 1};
    ASSERT_EQ(avcodec_open2(encoder.get(), codec, nullptr), 0);

    const FrameHandle frame(av_frame_alloc());
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = pictureWidth;
    frame->height = pictureHeight;
    ASSERT_EQ(av_frame_get_buffer(frame.get(), 0), 0);
    std::vector<PacketHandle> packets;
    for (int index = 0; index < pictureCount; ++index) {
        ASSERT_EQ(av_frame_make_writable(frame.get()), 0);
        paintPicture(*frame, index);
        frame->pts = index;
        frame->pict_type = index == 0 ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
        ASSERT_NO_FATAL_FAILURE(encode(*encoder, frame.get(), packets));
    }
    ASSERT_NO_FATAL_FAILURE(encode(*encoder, nullptr, packets));

    ASSERT_EQ(packets.size(), static_cast<std::size_t>(pictureCount));
    EXPECT_TRUE(packets.front()->flags & AV_PKT_FLAG_KEY);
    const std::vector<std::pair<int, int>> pictureSizes(pictureCount, {pictureWidth, pictureHeight});
    EXPECT_EQ(decodedSizes(packets), pictureSizes);
}

}  // namespace
