#include "cli/embedded_previews.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace lumivex::cli {

namespace {

// Buffered reading of a file; every read says whether the bytes were there.
class ByteStream {
  public:
    explicit ByteStream(std::FILE* file) : file_(file), buffer_(new uint8_t[kSize]) {}
    int get() {
        if (pos_ == end_ && !refill()) return -1;
        return buffer_[pos_++];
    }
    bool read(uint8_t* out, size_t n) {
        while (n > 0) {
            if (pos_ == end_ && !refill()) return false;
            const size_t take = std::min(n, end_ - pos_);
            std::memcpy(out, buffer_.get() + pos_, take);
            pos_ += take, out += take, n -= take;
        }
        return true;
    }
    bool skip(size_t n) {
        while (n > 0) {
            if (pos_ == end_ && !refill()) return false;
            const size_t take = std::min(n, end_ - pos_);
            pos_ += take, n -= take;
        }
        return true;
    }
    // Moves to the next 0xFF byte and past it; false at the end of the file.
    bool skipToFF() {
        for (;;) {
            if (pos_ == end_ && !refill()) return false;
            const void* hit = std::memchr(buffer_.get() + pos_, 0xFF, end_ - pos_);
            if (hit != nullptr) {
                pos_ = static_cast<const uint8_t*>(hit) - buffer_.get() + 1;
                return true;
            }
            pos_ = end_;
        }
    }
    uint64_t consumed() const { return total_ - (end_ - pos_); }

  private:
    static constexpr size_t kSize = size_t{64} * 1024;
    bool refill() {
        pos_ = 0;
        end_ = std::fread(buffer_.get(), 1, kSize, file_);
        total_ += end_;
        return end_ > 0;
    }
    std::FILE* file_;
    std::unique_ptr<uint8_t[]> buffer_;
    size_t pos_ = 0, end_ = 0;
    uint64_t total_ = 0;
};

uint32_t big16(const uint8_t* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t big32(const uint8_t* p) { return (big16(p) << 16) | big16(p + 2); }

// Photoshop image resources 0x0409 and 0x040C hold a thumbnail.
bool hasPhotoshopThumbnail(const uint8_t* p, size_t size) {
    static constexpr char kSignature[] = "Photoshop 3.0";
    constexpr size_t kSignatureBytes = sizeof kSignature;  // with its NUL
    if (size < kSignatureBytes || std::memcmp(p, kSignature, kSignatureBytes) != 0) return false;
    size_t off = kSignatureBytes;
    while (off <= size && 12 <= size - off) {
        if (std::memcmp(p + off, "8BIM", 4) != 0) return false;
        const uint32_t id = big16(p + off + 4);
        const size_t nameBytes = (1 + size_t{p[off + 6]} + 1) & ~size_t{1};  // Pascal string, padded to even
        const size_t sizeAt = off + 6 + nameBytes;
        if (sizeAt > size || 4 > size - sizeAt) return false;
        const uint64_t dataBytes = big32(p + sizeAt);
        if (id == 0x0409 || id == 0x040C) return true;
        const uint64_t next = sizeAt + 4 + ((dataBytes + 1) & ~uint64_t{1});
        if (next > size) return false;
        off = static_cast<size_t>(next);
    }
    return false;
}

// The NumberOfImages entry of an MPF index (a TIFF block after "MPF\0"); 0 when there is none.
uint32_t mpfImageCount(const uint8_t* p, size_t size) {
    if (size < 4 + 8 || std::memcmp(p, "MPF\0", 4) != 0) return 0;
    const uint8_t* tiff = p + 4;
    const size_t length = size - 4;
    const bool intel = tiff[0] == 'I';
    auto read16 = [&](size_t off) { return intel ? tiff[off] | (uint32_t{tiff[off + 1]} << 8) : big16(tiff + off); };
    auto read32 = [&](size_t off) { return intel ? read16(off) | (read16(off + 2) << 16) : big32(tiff + off); };
    const uint64_t directory = read32(4);
    if (directory > length || 2 > length - directory) return 0;
    const uint32_t entries = read16(directory);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint64_t entry = directory + 2 + 12ull * i;
        if (entry > length || 12 > length - entry) return 0;
        if (read16(entry) == 0xB001) return read32(entry + 8);
    }
    return 0;
}

bool isMarkerWithoutLength(int marker) { return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01; }

// Counts JPEG starts (FF D8 FF) in what follows the end of the image.
int jpegStartsInTrailer(ByteStream& in, uint64_t* trailingBytes) {
    const uint64_t start = in.consumed();
    int starts = 0;
    int a = -1, b = -1;
    for (int c = in.get(); c >= 0; c = in.get()) {
        if (a == 0xFF && b == 0xD8 && c == 0xFF) ++starts;
        a = b, b = c;
    }
    *trailingBytes = in.consumed() - start;
    return starts;
}

}  // namespace

PreviewScan findOtherPreviews(const std::string& path) {
    PreviewScan scan;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        scan.error = "cannot open the file";
        return scan;
    }
    ByteStream in(file.get());
    if (in.get() != 0xFF || in.get() != 0xD8) {
        scan.error = "not a JPEG file";
        return scan;
    }
    std::vector<uint8_t> payload;
    bool inImageData = false;
    for (;;) {
        // Between segments only fill bytes may precede a marker; in image data, FF 00 and restarts are data.
        if (!in.skipToFF()) {
            scan.error = "the file ends before the end of the image";
            return scan;
        }
        int marker = in.get();
        while (marker == 0xFF) marker = in.get();
        if (marker < 0) {
            scan.error = "the file ends before the end of the image";
            return scan;
        }
        if (marker == 0x00 || isMarkerWithoutLength(marker)) continue;
        if (marker == 0xD9) break;
        uint8_t lengthBytes[2];
        if (!in.read(lengthBytes, 2) || big16(lengthBytes) < 2) {
            scan.error = "a segment is cut short";
            return scan;
        }
        const size_t length = big16(lengthBytes) - 2;
        if (!inImageData && (marker == 0xED || marker == 0xE2)) {
            payload.resize(length);
            if (!in.read(payload.data(), length)) {
                scan.error = "a segment is cut short";
                return scan;
            }
            if (marker == 0xED && hasPhotoshopThumbnail(payload.data(), payload.size())) {
                scan.previews.push_back("Photoshop thumbnail (APP13)");
            } else if (marker == 0xE2) {
                // The index counts the photo itself: only further images are other copies.
                const uint32_t images = mpfImageCount(payload.data(), payload.size());
                if (images > 1) scan.previews.push_back(std::to_string(images - 1) + " MPF image(s) (APP2 index)");
            }
        } else if (!in.skip(length)) {
            scan.error = "a segment is cut short";
            return scan;
        }
        if (marker == 0xDA) inImageData = true;
    }
    uint64_t trailing = 0;
    const int starts = jpegStartsInTrailer(in, &trailing);
    if (starts > 0) {
        scan.previews.push_back(std::to_string(starts) + " JPEG image" + (starts > 1 ? "s" : "") +
                                " after the end of the image (" + std::to_string(trailing) + " bytes)");
    }
    return scan;
}

}  // namespace lumivex::cli
