#include "app/qt/area_reduce.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace lumivex::qt {
namespace {

constexpr int kChannels = 4;

// The source interval [begin, end) that target cell `index` of `targetLength` covers.
struct Cell {
    double begin;
    double end;
};

Cell cellOf(int index, int sourceLength, int targetLength) {
    const double length = static_cast<double>(sourceLength) / targetLength;
    const double end = index + 1 == targetLength ? sourceLength : (index + 1) * length;
    return {index * length, end};
}

// Calls visit(sourceIndex, weight) for every source pixel the cell touches, weighted by the part it covers.
template <typename Visit>
void forEachCovered(const Cell& cell, int sourceLength, Visit visit) {
    const int first = static_cast<int>(cell.begin);
    for (int s = first; s < sourceLength && s < cell.end; ++s) {
        const double weight = std::min<double>(s + 1, cell.end) - std::max<double>(s, cell.begin);
        if (weight > 0) visit(s, weight);
    }
}

// One source row narrowed to `width` cells, each the weighted sum of the pixels it covers.
void narrowRow(const QImage& input, int y, int width, std::vector<double>& out) {
    const auto* line = reinterpret_cast<const QRgb*>(input.constScanLine(y));
    const int sourceWidth = input.width();
    for (int x = 0; x < width; ++x) {
        double sum[kChannels] = {0, 0, 0, 0};
        forEachCovered(cellOf(x, sourceWidth, width), sourceWidth, [&](int s, double weight) {
            const QRgb pixel = line[s];
            sum[0] += weight * qAlpha(pixel);
            sum[1] += weight * qRed(pixel);
            sum[2] += weight * qGreen(pixel);
            sum[3] += weight * qBlue(pixel);
        });
        std::copy(sum, sum + kChannels, out.begin() + static_cast<std::ptrdiff_t>(x) * kChannels);
    }
}

// Only positive values reach the rounding, where adding a half and truncating is what the window has always done.
int toByte(double value) {
    return value >= 255.0 ? 255
           : value <= 0.0 ? 0
                          : static_cast<int>(value + 0.5);  // NOLINT(bugprone-incorrect-roundings)
}

}  // namespace

QImage reduceByAreaAverage(const QImage& source, int width, int height) {
    if (source.isNull() || width <= 0 || height <= 0 || width > source.width() || height > source.height()) {
        return {};
    }
    const QImage input = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int sourceWidth = input.width();
    const int sourceHeight = input.height();
    const double cellArea = (static_cast<double>(sourceWidth) / width) * (static_cast<double>(sourceHeight) / height);

    QImage result(width, height, QImage::Format_ARGB32_Premultiplied);
    if (result.isNull()) return {};
    const std::size_t rowValues = static_cast<std::size_t>(width) * kChannels;
    std::vector<double> narrowed(rowValues);
    std::vector<double> sums(rowValues);
    // Row by row, so memory stays one target row wide whatever the source's height.
    for (int y = 0; y < height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        forEachCovered(cellOf(y, sourceHeight, height), sourceHeight, [&](int s, double weight) {
            narrowRow(input, s, width, narrowed);
            for (std::size_t i = 0; i < rowValues; ++i) sums[i] += weight * narrowed[i];
        });
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double* cell = sums.data() + static_cast<std::size_t>(x) * kChannels;
            const int alpha = toByte(cell[0] / cellArea);
            // Premultiplied colour never exceeds alpha; rounding must not break that.
            const int red = std::min(alpha, toByte(cell[1] / cellArea));
            const int green = std::min(alpha, toByte(cell[2] / cellArea));
            const int blue = std::min(alpha, toByte(cell[3] / cellArea));
            line[x] = qRgba(red, green, blue, alpha);
        }
    }
    return result;
}

}  // namespace lumivex::qt
