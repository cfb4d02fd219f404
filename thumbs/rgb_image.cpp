#include "thumbs/rgb_image.h"

extern "C" {
#include <libavutil/imgutils.h>
}

RgbImage scaleToRgb(const AVFrame& frame, int width, int height) {
    ScalerHandle scaler(sws_getCachedContext(nullptr, frame.width, frame.height,
                                             static_cast<AVPixelFormat>(frame.format), width, height, AV_PIX_FMT_RGB24,
                                             SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler) return {};
    const int size = av_image_get_buffer_size(AV_PIX_FMT_RGB24, width, height, 1);
    if (size <= 0) return {};
    RgbImage image{BufferHandle(static_cast<std::uint8_t*>(av_malloc(size))), width, height};
    if (!image.pixels) return {};
    std::uint8_t* planes[4];
    int strides[4];
    if (av_image_fill_arrays(planes, strides, image.pixels.get(), AV_PIX_FMT_RGB24, width, height, 1) < 0) return {};
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) != height) return {};
    return image;
}
