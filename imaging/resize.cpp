// Area-average reduction, box fitting and luma: plain arithmetic, the same on every platform.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "imaging/image.h"

namespace lumivex::imaging {

namespace {

struct Tap {
    int source;     // source index
    double weight;  // how much of that source pixel the output cell covers: 1 inside, less at its edges
};

// For each output index along one axis, the source pixels its cell covers and how much of each.
std::vector<std::vector<Tap>> areaTaps(int sourceLength, int outputLength) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(outputLength));
    const double length = static_cast<double>(sourceLength) / outputLength;
    for (int i = 0; i < outputLength; ++i) {
        const double begin = i * length;
        const double end = i + 1 == outputLength ? sourceLength : (i + 1) * length;
        for (int s = static_cast<int>(begin); s < sourceLength && s < end; ++s) {
            const double weight = std::min<double>(s + 1, end) - std::max<double>(s, begin);
            if (weight > 0) taps[i].push_back({s, weight});
        }
    }
    return taps;
}

// Adding a half and truncating: only positive values get here.
uint8_t toByte(double value) {
    return value >= 255.0 ? 255
           : value <= 0.0 ? 0
                          : static_cast<uint8_t>(value + 0.5);  // NOLINT(bugprone-incorrect-roundings)
}

}  // namespace

void resizeArea(const PixelView& source, int width, int height, uint8_t* out, size_t outStride) {
    const int ch = source.channels;
    const auto columns = areaTaps(source.width, width);
    const auto rows = areaTaps(source.height, height);
    const double cellArea = (static_cast<double>(source.width) / width) * (static_cast<double>(source.height) / height);
    const size_t rowValues = static_cast<size_t>(width) * ch;
    std::vector<double> narrowed(rowValues);
    std::vector<double> sums(rowValues);
    // Row by row, each source row narrowed to the output's width first: memory stays two output rows wide
    // whatever the source's height, and every channel is averaged on its own.
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (const Tap& row : rows[y]) {
            const uint8_t* line = source.pixels + static_cast<size_t>(row.source) * source.stride;
            for (int x = 0; x < width; ++x) {
                for (int c = 0; c < ch; ++c) {
                    double sum = 0;
                    for (const Tap& column : columns[x]) sum += column.weight * line[column.source * ch + c];
                    narrowed[static_cast<size_t>(x) * ch + c] = sum;
                }
            }
            for (size_t i = 0; i < rowValues; ++i) sums[i] += row.weight * narrowed[i];
        }
        uint8_t* target = out + static_cast<size_t>(y) * outStride;
        for (size_t i = 0; i < rowValues; ++i) target[i] = toByte(sums[i] / cellArea);
    }
}

Image resizeArea(const Image& image, int width, int height) {
    Image out;
    if (width <= 0 || height <= 0 || image.width <= 0 || image.height <= 0 || image.channels <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.channels) {
        return out;
    }
    out.width = width;
    out.height = height;
    out.channels = image.channels;
    out.pixels.resize(static_cast<size_t>(width) * height * image.channels);
    const PixelView view{image.pixels.data(), image.width, image.height, image.channels,
                         static_cast<size_t>(image.width) * image.channels};
    resizeArea(view, width, height, out.pixels.data(), static_cast<size_t>(width) * image.channels);
    return out;
}

Size fitInBox(int width, int height, int boxWidth, int boxHeight) {
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return {};
    const double scale =
        std::min({1.0, static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height});
    const int w = std::clamp(static_cast<int>(std::lround(width * scale)), 1, boxWidth);
    const int h = std::clamp(static_cast<int>(std::lround(height * scale)), 1, boxHeight);
    return {w, h};
}

Image toLuma(const Image& image) {
    if (image.channels == 1) return image;
    Image luma{image.width, image.height, 1, {}};
    const size_t count = static_cast<size_t>(image.width) * image.height;
    luma.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = image.pixels.data() + i * image.channels;
        luma.pixels[i] = static_cast<uint8_t>((299 * p[0] + 587 * p[1] + 114 * p[2] + 500) / 1000);
    }
    return luma;
}

std::string encodingProblem(const Image& image, int quality) {
    if (image.width <= 0 || image.height <= 0 || image.width > 65500 || image.height > 65500 ||
        (image.channels != 1 && image.channels != 3) ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.channels) {
        return "cannot encode the thumbnail: not a grey or RGB image";
    }
    if (quality < 1 || quality > 100) return "cannot encode the thumbnail: quality must be 1 to 100";
    return {};
}

}  // namespace lumivex::imaging
