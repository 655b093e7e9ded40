// Decoded 8-bit images and the three JPEG steps a thumbnail needs: decode at a reduced scale, reduce to a box,
// encode a baseline JPEG. One interface; the build picks libjpeg-turbo or the Windows Imaging Component.
// Every failure comes back as a value with one line for a person; nothing here ends the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace lumivex::imaging {

struct Image {
    int width = 0;
    int height = 0;
    int channels = 0;             // 1 (grey) or 3 (RGB)
    std::vector<uint8_t> pixels;  // rows top to bottom, no padding: width * channels bytes each
};

struct DecodedImage {
    Image image;
    int sourceWidth = 0;  // the stored image's size, before any scaling
    int sourceHeight = 0;
    std::string error;  // empty when the image was decoded
    bool ok() const { return error.empty(); }
};

struct EncodedJpeg {
    std::vector<uint8_t> bytes;
    std::string error;  // empty when the bytes are a complete JPEG file
    bool ok() const { return error.empty(); }
};

// Decodes at the smallest of the scales 1/8, 1/4, 1/2 and 1 that still gives at least minWidth x minHeight
// (the whole image when it is smaller than that). Grey stays grey; YCbCr, RGB, CMYK and YCCK come out RGB.
// A stream that is corrupt or ends early is an error, never a partly grey picture. Every decode works within a
// fixed budget, checked before the work starts where it can be: under 256 MiB (a progressive image whose
// whole coefficient buffer would exceed it is refused) and a bounded number of scans (jpeg_cost.h).
DecodedImage decodeJpegScaled(std::span<const uint8_t> bytes, int minWidth, int minHeight);

// The same from a file, read as it is decoded, so that a large photo is never held in memory. Only a regular
// file is read: a FIFO or a device is refused without waiting on it.
DecodedImage decodeJpegFileScaled(const std::string& path, int minWidth, int minHeight);

// The same from an open stream, from its current position, read as it is decoded (the caller keeps the stream:
// a photo opened once is decoded through that one open).
DecodedImage decodeJpegStreamScaled(std::FILE* stream, int minWidth, int minHeight);

// Screens and viewers show a thumbnail at most at a screen's size (1920x1080 is the largest camera preview),
// and nothing legible beyond that fits the 64 KB of an Exif segment; a larger one is a bomb, not a picture.
constexpr int kMaxThumbnailSide = 2048;

// A thumbnail at its full size; refused before decoding when either side is beyond kMaxThumbnailSide.
DecodedImage decodeThumbnail(std::span<const uint8_t> bytes);

// A baseline JPEG (SOF0) with no APPn or COM segment, as thumbnails must be: YCbCr 4:2:0, or grey for a
// one-channel image. quality: 1 to 100.
EncodedJpeg encodeBaselineJpeg(const Image& image, int quality);

// Why an image cannot be encoded as a thumbnail (not grey or RGB, sides beyond what JPEG holds, a quality
// outside 1 to 100); empty when it can. Both encoders ask this first.
std::string encodingProblem(const Image& image, int quality);

// The area average of the image at width x height: each output pixel is the mean of the source area it covers,
// source pixels at the area's edges weighted by the part inside it, each channel on its own, rounded half up.
// Meant for reductions, and exact for enlargements only in size. An empty image for an impossible size.
Image resizeArea(const Image& image, int width, int height);

// The same over rows held elsewhere (a toolkit's image, with its own row stride), into width x height pixels
// of the source's channels at out, outStride bytes apart. Sizes must be positive.
struct PixelView {
    const uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int channels = 0;
    size_t stride = 0;  // bytes from one row to the next
};
void resizeArea(const PixelView& source, int width, int height, uint8_t* out, size_t outStride);

struct Size {
    int width = 0;
    int height = 0;
};

// The largest size with the aspect of width x height that fits the box, never larger than the image itself;
// each side is rounded to the nearest pixel and at least 1.
Size fitInBox(int width, int height, int boxWidth, int boxHeight);

// One channel of luma (BT.601 weights) from a grey or RGB image.
Image toLuma(const Image& image);

}  // namespace lumivex::imaging
