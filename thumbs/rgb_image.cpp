#include "thumbs/rgb_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "thumbs/turned_copy.h"

namespace {

struct Size {
    int width;
    int height;
};

BufferHandle allocateRgb(Size size) {
    const int bytes = av_image_get_buffer_size(AV_PIX_FMT_RGB24, size.width, size.height, 1);
    if (bytes <= 0) return nullptr;
    BufferHandle pixels(static_cast<std::uint8_t*>(av_malloc(bytes)));
    if (pixels) std::memset(pixels.get(), 0, static_cast<std::size_t>(bytes));
    return pixels;
}

// The picture's size on screen, fitted into `box`.
Size fittedSize(const AVFrame& frame, PictureShape shape, Size box) {
    const bool knownAspect = shape.sampleAspect.num > 0 && shape.sampleAspect.den > 0;
    double shownWidth = frame.width * (knownAspect ? av_q2d(shape.sampleAspect) : 1.0);
    double shownHeight = frame.height;
    if (shape.clockwiseTurns % 2) std::swap(shownWidth, shownHeight);
    // A picture within 3 % of the still's shape fills it: sizes that coding
    // rounds to multiples of 8 or 16 (160 x 88, 1920 x 1088) leave no thin bars.
    const double shapeRatio = (shownWidth / shownHeight) / (double(box.width) / box.height);
    if (std::abs(shapeRatio - 1.0) <= 0.03) return box;
    Size fitted = box;
    if (shapeRatio > 1.0)
        fitted.height = static_cast<int>(std::lround(box.width * shownHeight / shownWidth));
    else
        fitted.width = static_cast<int>(std::lround(box.height * shownWidth / shownHeight));
    fitted.width = std::max(fitted.width, 1);
    fitted.height = std::max(fitted.height, 1);
    return fitted;
}

bool scaleInto(const AVFrame& frame, std::uint8_t* target, int targetStride, Size size) {
    ScalerHandle scaler(sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), size.width,
                                       size.height, AV_PIX_FMT_RGB24, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!scaler) return false;
    std::uint8_t* planes[4] = {target, nullptr, nullptr, nullptr};
    int strides[4] = {targetStride, 0, 0, 0};
    return sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides) == size.height;
}

}  // namespace

RgbImage fitToRgb(const AVFrame& frame, PictureShape shape, int width, int height) {
    if (frame.width <= 0 || frame.height <= 0) return {};
    const Size fitted = fittedSize(frame, shape, {width, height});
    RgbImage image{allocateRgb({width, height}), width, height};
    if (!image.pixels) return {};
    std::uint8_t* corner = image.pixels.get() +
                           static_cast<std::ptrdiff_t>((height - fitted.height) / 2) * image.stride() +
                           3 * ((width - fitted.width) / 2);
    const int turns = shape.clockwiseTurns % 4;
    if (turns == 0) return scaleInto(frame, corner, image.stride(), fitted) ? std::move(image) : RgbImage{};
    // Scaled upright first, then turned into place.
    const Size upright = turns % 2 ? Size{fitted.height, fitted.width} : fitted;
    const BufferHandle scaled = allocateRgb(upright);
    if (!scaled || !scaleInto(frame, scaled.get(), 3 * upright.width, upright)) return {};
    copyTurned({scaled.get(), upright.width, upright.height, 3 * upright.width}, turns, 3,
               {corner, fitted.width, fitted.height, image.stride()});
    return image;
}
