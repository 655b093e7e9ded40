// The verdicts of the thumbnail comparison on a generated photo and thumbnails made from it in the ways that
// cameras and editors make them.
#include "imaging/similarity.h"

#include <gtest/gtest.h>

#include <functional>

#include "imaging_support.h"

namespace lumivex::imaging {
namespace {

Image cropped(const Image& image, int x0, int y0, int w, int h) {
    Image out{w, h, image.channels, {}};
    for (int y = y0; y < y0 + h; ++y) {
        const auto row = image.pixels.begin() + (static_cast<size_t>(y) * image.width + x0) * image.channels;
        out.pixels.insert(out.pixels.end(), row, row + static_cast<ptrdiff_t>(w) * image.channels);
    }
    return out;
}

// The pixel at (x, y) of the result comes from from(x, y) of the image.
Image remapped(const Image& image, int w, int h, const std::function<std::pair<int, int>(int, int)>& from) {
    Image out{w, h, image.channels, {}};
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const auto [sx, sy] = from(x, y);
            const auto p = image.pixels.begin() + (static_cast<size_t>(sy) * image.width + sx) * image.channels;
            out.pixels.insert(out.pixels.end(), p, p + image.channels);
        }
    }
    return out;
}

// The picture fitted into a black 160x120 thumbnail, centred, as cameras do.
Image inCameraThumbnail(const Image& picture) {
    const Size fit = fitInBox(picture.width, picture.height, 160, 120);
    const Image small = resizeArea(picture, fit.width, fit.height);
    Image thumb{160, 120, picture.channels, std::vector<uint8_t>(size_t(160) * 120 * picture.channels, 0)};
    const int left = (160 - fit.width) / 2, top = (120 - fit.height) / 2;
    for (int y = 0; y < fit.height; ++y) {
        std::copy_n(small.pixels.begin() + static_cast<ptrdiff_t>(y) * fit.width * picture.channels,
                    fit.width * picture.channels,
                    thumb.pixels.begin() + (static_cast<ptrdiff_t>(top + y) * 160 + left) * picture.channels);
    }
    return thumb;
}

struct Case {
    const char* name;
    std::function<Image(const Image&)> photoNow;       // the photo as it is now, from the original
    std::function<Image(const Image&)> thumbnailKept;  // the thumbnail it carries, from the original
    ThumbnailMatch expected;
};

TEST(CompareThumbnail, VerdictsForCameraAndEditorThumbnails) {
    const Image original =
        decodeJpegScaled(test::readFile(test::dataPath("baseline-420.jpg")), 320, 240).image;  // 320x240
    const auto same = [](const Image& i) { return i; };
    const auto thumbnail = [](const Image& i) { return inCameraThumbnail(i); };
    const auto wide = [](const Image& i) { return cropped(i, 0, 27, 320, 186); };  // 16:9 out of 4:3
    const auto tall = [](const Image& i) { return cropped(i, 80, 0, 160, 240); };  // 2:3
    const auto square = [](const Image& i) { return cropped(i, 40, 0, 240, 240); };
    const Case cases[] = {
        {"the camera's own thumbnail", same, thumbnail, ThumbnailMatch::Fresh},
        {"16:9 with bands above and below", wide, [&](const Image& i) { return inCameraThumbnail(wide(i)); },
         ThumbnailMatch::Fresh},
        {"portrait with bands at the sides", tall, [&](const Image& i) { return inCameraThumbnail(tall(i)); },
         ThumbnailMatch::Fresh},
        {"4:3 of a 3:2 photo, cut unevenly at the sides", [](const Image& i) { return cropped(i, 0, 13, 320, 214); },
         [](const Image& i) { return resizeArea(cropped(i, 13, 13, 281, 214), 160, 120); }, ThumbnailMatch::Fresh},
        {"dark top rows that are no band",
         [](const Image& i) {
             Image dark = i;
             std::fill(dark.pixels.begin(), dark.pixels.begin() + 320 * 3 * 48, 5);
             return dark;
         },
         [](const Image& i) {
             Image dark = i;
             std::fill(dark.pixels.begin(), dark.pixels.begin() + 320 * 3 * 48, 5);
             return inCameraThumbnail(dark);
         },
         ThumbnailMatch::Fresh},
        {"cropped by a quarter of its width", [](const Image& i) { return cropped(i, 0, 0, 240, 240); }, thumbnail,
         ThumbnailMatch::AspectDiffers},
        {"cropped by a quarter of its area", [](const Image& i) { return cropped(i, 21, 16, 278, 208); }, thumbnail,
         ThumbnailMatch::ContentDiffers},
        {"mirrored",
         [](const Image& i) { return remapped(i, 320, 240, [](int x, int y) {
                                  return std::pair{319 - x, y};
                              }); },
         thumbnail, ThumbnailMatch::OrientationDiffers},
        {"turned by half",
         [](const Image& i) { return remapped(i, 320, 240, [](int x, int y) {
                                  return std::pair{319 - x, 239 - y};
                              }); },
         thumbnail, ThumbnailMatch::OrientationDiffers},
        {"turned by a quarter",
         [](const Image& i) { return remapped(i, 240, 320, [](int x, int y) {
                                  return std::pair{y, 239 - x};
                              }); },
         thumbnail, ThumbnailMatch::OrientationDiffers},
        {"square, its thumbnail turned by a quarter", square,
         [&](const Image& i) {
             return inCameraThumbnail(remapped(square(i), 240, 240, [](int x, int y) {
                 return std::pair{y, 239 - x};
             }));
         },
         ThumbnailMatch::OrientationDiffers},
        {"a fifth painted over",
         [](const Image& i) {
             Image painted = i;
             for (int y = 66; y < 174; ++y) {
                 for (int x = 88; x < 232; ++x) {
                     uint8_t* p = painted.pixels.data() + (static_cast<size_t>(y) * 320 + x) * 3;
                     p[0] = 200, p[1] = 40, p[2] = 30;
                 }
             }
             return painted;
         },
         thumbnail, ThumbnailMatch::ContentDiffers},
        {"another picture",
         [](const Image& i) {
             return remapped(i, 320, 240, [](int x, int y) { return std::pair{(x * 7 + y * 3) % 320, (y * 5) % 240}; });
         },
         thumbnail, ThumbnailMatch::ContentDiffers},
    };
    for (const Case& c : cases) {
        const ThumbnailComparison result = compareThumbnail(c.thumbnailKept(original), c.photoNow(original));
        EXPECT_EQ(result.match, c.expected) << c.name << " (score " << result.score << ")";
        if (c.expected == ThumbnailMatch::Fresh) {
            EXPECT_GE(result.score, kFreshScore) << c.name;
        }
    }
}

}  // namespace
}  // namespace lumivex::imaging
