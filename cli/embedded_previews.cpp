#include "cli/embedded_previews.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "cli/photo_bytes.h"

namespace lumivex::cli {

namespace {

constexpr uint64_t kMaxPhotoBytes = uint64_t{1} << 31;      // beyond this a file is not a photo to hold whole
constexpr uint64_t kTrailingWindow = uint64_t{256} * 1024;  // a camera's appended preview is a VGA JPEG or so
constexpr uint64_t kMaxCopyBytes = uint64_t{64} << 20;      // more than any copy of a picture: left unread

const PreviewKind kKinds[] = {PreviewKind::Exif, PreviewKind::Mpf,  PreviewKind::MakerNote, PreviewKind::Photoshop,
                              PreviewKind::Xmp,  PreviewKind::Jfxx, PreviewKind::FlashPix,  PreviewKind::Trailer};

}  // namespace

namespace {

// Walks the bytes held in out (the whole file or its head) and finds the copies in them; false, with the reason
// in out.error, when the walk does not reach the image data.
bool walkAndFind(PhotoPreviews& out, uint64_t fileSize) {
    std::string why;
    const WalkStatus status = walkSegments(out.bytes, fileSize, out.map, why);
    if (status != WalkStatus::Complete) {
        out.error = status == WalkStatus::NotJpeg ? "not a JPEG file"
                    : why.empty()                 ? "the file ends before its image data"
                                                  : why;
        return false;
    }
    out.scan = previews::findPreviews(out.bytes, out.map);
    return true;
}

}  // namespace

PhotoPreviews previewsOfBytes(std::vector<uint8_t> bytes) {
    PhotoPreviews out;
    out.bytes = std::move(bytes);
    walkAndFind(out, out.bytes.size());
    return out;
}

PhotoPreviews previewsOfPhoto(const PhotoBytes& photo) {
    if (photo.whole) return previewsOfBytes(photo.bytes);
    PhotoPreviews out;
    out.bytes = photo.bytes;
    const uint64_t size = static_cast<uint64_t>(photo.status.size);
    if (!walkAndFind(out, size)) return out;
    // Appended JPEGs are looked for in the file's last bytes only: reading all the image data to find its end
    // would cost what reading the whole file costs.
    const uint64_t imageData = out.map.imageDataOffset;
    const uint64_t windowStart = size - std::min(size - std::min(size, imageData), kTrailingWindow);
    std::vector<uint8_t> window;
    if (!readPhotoRange(photo, windowStart, size - windowStart, window)) window.clear();
    // The copies past the head (MPF images, maker-note previews put after the image) read on their own.
    std::vector<previews::FoundPreview> kept;
    for (previews::FoundPreview& found : out.scan.found) {
        std::vector<uint8_t> held;
        if (found.unread) {
            const uint64_t offset = found.copy.offset, length = found.copy.length;
            if (offset >= windowStart && offset - windowStart <= window.size() &&
                length <= window.size() - (offset - windowStart)) {
                const auto from = window.begin() + static_cast<std::ptrdiff_t>(offset - windowStart);
                held.assign(from, from + static_cast<std::ptrdiff_t>(length));
            } else if (length > kMaxCopyBytes || !readPhotoRange(photo, offset, length, held)) {
                held.clear();
            }
            if (!held.empty() && !previews::completeCopy(found, held)) continue;
        }
        kept.push_back(std::move(found));
        out.outside.push_back(std::move(held));
    }
    out.scan.found = std::move(kept);
    if (const auto from = previews::firstTrailingImage(window, windowStart, out.scan)) {
        const size_t before = out.scan.found.size();
        previews::findTrailingImages(window, windowStart, *from, out.scan);
        for (size_t i = before; i < out.scan.found.size(); ++i) {
            const previews::FoundPreview& found = out.scan.found[i];
            const auto at = window.begin() + static_cast<std::ptrdiff_t>(found.copy.offset - windowStart);
            out.outside.emplace_back(at, at + static_cast<std::ptrdiff_t>(found.copy.length));
        }
    }
    previews::numberCopies(out.scan);
    return out;
}

std::span<const uint8_t> heldBytes(const PhotoPreviews& photo, const previews::FoundPreview& found) {
    const size_t i = static_cast<size_t>(&found - photo.scan.found.data());
    if (i < photo.outside.size() && !photo.outside[i].empty()) return photo.outside[i];
    const PreviewCopy& copy = found.copy;
    if (copy.offset > photo.bytes.size() || copy.length > photo.bytes.size() - copy.offset) return {};
    return std::span<const uint8_t>(photo.bytes).subspan(copy.offset, copy.length);
}

PhotoPreviews readPhotoPreviews(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    PhotoPreviews out;
    if (!file) {
        out.error = "cannot open the file";
        return out;
    }
    // One allocation of the file's size: growing a vector as it is read would hold twice the file at its peak.
    long size = -1;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        out.error = "the file could not be read";
        return out;
    }
    if (static_cast<uint64_t>(size) > kMaxPhotoBytes) {
        out.error = "the file is too large to be a photo";
        return out;
    }
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        out.error = "the file could not be read";
        return out;
    }
    return previewsOfBytes(std::move(bytes));
}

std::vector<std::string> otherPreviewNames(const PhotoPreviews& previews) {
    std::vector<std::string> names;
    for (const previews::FoundPreview& found : previews.scan.found) {
        if (found.copy.kind != PreviewKind::Exif) names.push_back(previews::describeCopy(found.copy));
    }
    return names;
}

bool parsePreviewKinds(const std::string& text, std::vector<std::string>& words, std::string& why) {
    words.clear();
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string word = text.substr(start, comma - start);
        const bool known = word == "all" || word == "stale" ||
                           std::any_of(std::begin(kKinds), std::end(kKinds),
                                       [&](PreviewKind kind) { return word == previewKindName(kind); });
        if (!known) {
            why = "unknown preview kind '" + word +
                  "' (all, stale, exif, mpf, makernote, photoshop, xmp, jfxx, flashpix, trailer)";
            return false;
        }
        words.push_back(word);
        start = comma + 1;
    }
    return true;
}

bool kindSelected(const std::vector<std::string>& words, PreviewKind kind) {
    return std::any_of(words.begin(), words.end(),
                       [&](const std::string& w) { return w == "all" || w == previewKindName(kind); });
}

bool parsePreviewSpec(const std::string& spec, PreviewKind& kind, int& index) {
    const size_t colon = spec.find(':');
    const std::string name = spec.substr(0, colon);
    index = 0;
    if (colon != std::string::npos) {
        const std::string number = spec.substr(colon + 1);
        if (number.empty() || number.size() > 3 || number.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        index = std::stoi(number);
    }
    for (PreviewKind k : kKinds) {
        if (name == previewKindName(k)) {
            kind = k;
            return true;
        }
    }
    return false;
}

}  // namespace lumivex::cli
