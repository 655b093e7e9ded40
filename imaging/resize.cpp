// Area-average reduction, box fitting and luma: plain arithmetic, the same on every platform.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "imaging/image.h"

namespace lumivex::imaging {

namespace {

struct Tap {
    int source;    // source index
    float weight;  // share of the output pixel that this source pixel covers
};

// For each output index along one axis, the source pixels it covers and how much of each.
std::vector<std::vector<Tap>> areaTaps(int sourceLength, int outputLength) {
    std::vector<std::vector<Tap>> taps(static_cast<size_t>(outputLength));
    const double scale = static_cast<double>(sourceLength) / outputLength;
    for (int i = 0; i < outputLength; ++i) {
        const double begin = i * scale;
        const double end = std::min<double>(sourceLength, (i + 1) * scale);
        const int first = static_cast<int>(std::floor(begin));
        const int last = std::min(sourceLength - 1, static_cast<int>(std::ceil(end)) - 1);
        double total = 0;
        for (int s = first; s <= last; ++s) {
            const double cover = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            if (cover <= 0) continue;
            taps[i].push_back({s, static_cast<float>(cover)});
            total += cover;
        }
        if (taps[i].empty()) taps[i].push_back({std::min(first, sourceLength - 1), 1.0f});
        for (Tap& tap : taps[i]) tap.weight = static_cast<float>(tap.weight / (total > 0 ? total : 1.0));
    }
    return taps;
}

}  // namespace

Image resizeArea(const Image& image, int width, int height) {
    Image out;
    if (width <= 0 || height <= 0 || image.width <= 0 || image.height <= 0 || image.channels <= 0) return out;
    const int ch = image.channels;
    const auto columns = areaTaps(image.width, width);
    const auto rows = areaTaps(image.height, height);
    // Columns first, into floats, so that the second pass averages unrounded values.
    std::vector<float> across(static_cast<size_t>(width) * image.height * ch);
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* source = image.pixels.data() + static_cast<size_t>(y) * image.width * ch;
        float* target = across.data() + static_cast<size_t>(y) * width * ch;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < ch; ++c) {
                float sum = 0;
                for (const Tap& tap : columns[x]) sum += tap.weight * static_cast<float>(source[tap.source * ch + c]);
                target[x * ch + c] = sum;
            }
        }
    }
    out.width = width;
    out.height = height;
    out.channels = ch;
    out.pixels.resize(static_cast<size_t>(width) * height * ch);
    const size_t stride = static_cast<size_t>(width) * ch;
    for (int y = 0; y < height; ++y) {
        uint8_t* target = out.pixels.data() + y * stride;
        for (size_t i = 0; i < stride; ++i) {
            float sum = 0;
            for (const Tap& tap : rows[y]) sum += tap.weight * across[tap.source * stride + i];
            target[i] = static_cast<uint8_t>(std::clamp(std::lround(sum), 0L, 255L));
        }
    }
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
