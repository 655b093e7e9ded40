#include "engine/jpeg/reader.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "engine/diag/diag.h"
#include "engine/exif/exif_segment.h"

namespace lumivex {

namespace {

constexpr int kMaxSilentPaddingCount = 10;
constexpr int32_t kMaxCommentBytes = 2000;
// Real photos keep a few dozen segments of a few hundred KiB before the image data; a hostile file must not
// make the reader hold gigabytes, nor search through them for a marker.
constexpr int32_t kMaxKeptSegments = 4096;
constexpr uint64_t kMaxKeptBytes = uint64_t{16} << 20;
constexpr int kMaxBytesBeforeMarker = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// What the reader takes its bytes from: a file's stream, or the bytes of a file already in memory.
class ByteSource {
  public:
    explicit ByteSource(std::FILE* stream) : stream_(stream) {}
    explicit ByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    int next() {
        if (stream_ != nullptr) return std::getc(stream_);
        return at_ < bytes_.size() ? bytes_[at_++] : EOF;
    }
    size_t read(uint8_t* out, size_t n) {
        if (stream_ != nullptr) return std::fread(out, 1, n, stream_);
        const size_t got = std::min(n, bytes_.size() - at_);
        if (got > 0) std::memcpy(out, bytes_.data() + at_, got);
        at_ += got;
        return got;
    }
    // Where the reader stands and how many bytes lie from there to the end; false when it cannot be told.
    bool position(uint64_t& at, uint64_t& rest) {
        if (stream_ == nullptr) {
            at = at_;
            rest = bytes_.size() - at_;
            return true;
        }
        const long start = std::ftell(stream_);
        if (start < 0 || std::fseek(stream_, 0, SEEK_END) != 0) return false;
        const long end = std::ftell(stream_);
        if (end < start || std::fseek(stream_, start, SEEK_SET) != 0) return false;
        at = static_cast<uint64_t>(start);
        rest = static_cast<uint64_t>(end - start);
        return true;
    }

  private:
    std::FILE* stream_ = nullptr;
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

bool isFrameHeader(int32_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Finds the next marker: the first byte other than 0xFF directly after a 0xFF. Fill and garbage bytes
// are counted; the normal case (one 0xFF) counts 1.
int32_t findMarker(ByteSource& stream) {
    int count = 0;
    int previous = 0;
    for (;;) {
        const int c = stream.next();
        if (c == EOF) {
            // A 0xFF last in the file leaves a marker with no length; otherwise the file simply stops.
            failFatal(previous == 0xFF ? "invalid marker" : "Premature end of file?");
        }
        if (previous == 0xFF && c != 0xFF) {
            if (count > kMaxSilentPaddingCount) {
                warnNonfatal("Extraneous %d padding bytes before section %02X", count - 1, c);
            }
            return c;
        }
        if (++count > kMaxBytesBeforeMarker) failFatal("No marker within 1 MiB; the rest is not JPEG data");
        previous = c;
    }
}

void readFrameHeader(PhotoInfo& photoInfo, const JpegSection& section) {
    // The frame header needs 8 bytes: length, precision, height, width, components.
    if (section.size < 8) return;
    const uint8_t* data = section.data.get();
    photoInfo.height = data[3] * 256 + data[4];
    photoInfo.width = data[5] * 256 + data[6];
    photoInfo.isColor = data[7] == 3 ? 1 : 0;
    photoInfo.jpegProcess = section.marker;
}

void readJfifHeader(PhotoInfo& photoInfo, const JpegSection& section, bool quietOnExtension) {
    const uint8_t* data = section.data.get();
    const bool extension = section.size >= 7 && std::memcmp(data + 2, "JFXX", 5) == 0;
    const bool quiet = quietOnExtension && extension;
    if (!quiet && (section.size < 7 || std::memcmp(data + 2, "JFIF", 5) != 0)) reportLine("Header missing JFIF marker");
    if (section.size < 16) {
        if (!quiet) reportLine("Jfif header too short");
        return;
    }
    photoInfo.jfifUnits = data[9];
    photoInfo.jfifXDensity = static_cast<uint16_t>(data[10] * 256 + data[11]);
    photoInfo.jfifYDensity = static_cast<uint16_t>(data[12] * 256 + data[13]);
}

void dropLastSection(SectionList& sectionList) { sectionList.sections[--sectionList.count] = JpegSection{}; }

int readImageData(SectionList& sectionList, ByteSource& stream, bool later) {
    uint64_t start = 0;
    uint64_t n = 0;
    if (!stream.position(start, n)) failFatal("could not read the rest of the image");
    if (later) {
        if (n > static_cast<uint64_t>(INT32_MAX)) failFatal("could not allocate data for entire image");
        appendSection(sectionList, nullptr, PseudoMarkerImageData, static_cast<int32_t>(n));
        sectionList.imageDataOffset = static_cast<int64_t>(start);
        sectionList.imageDataRead = 1;
        return 1;
    }
    auto data = allocateBytes(n, "could not allocate data for entire image");
    if (n > 0 && stream.read(data.get(), n) != n) failFatal("could not read the rest of the image");
    appendSection(sectionList, std::move(data), PseudoMarkerImageData, static_cast<int32_t>(n));
    sectionList.imageDataRead = 1;
    return 1;
}

}  // namespace

void storeJpegComment(PhotoInfo& photoInfo, const uint8_t* data, int32_t size) {
    const int32_t n = size < kMaxCommentBytes ? size : kMaxCommentBytes;
    int32_t out = 0;
    for (int32_t i = 2; i < n; ++i) {
        const uint8_t c = data[i];
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n') continue;  // CR LF becomes LF
        if (c < 0x20 && c != '\t' && c != '\n') {
            photoInfo.comment[out++] = '?';
        } else {
            photoInfo.comment[out++] = static_cast<char>(c);
        }
    }
    photoInfo.comment[out] = '\0';
}

namespace {

int readFrom(PhotoRecords& records, ByteSource& stream, int mode) {
    SectionList& sectionList = records.sectionList;
    PhotoInfo& photoInfo = records.photoInfo;
    if (stream.next() != 0xFF || stream.next() != 0xD8) return 0;
    photoInfo.jfifXDensity = 300;
    photoInfo.jfifYDensity = 300;
    photoInfo.jfifUnits = 1;
    bool commentTaken = false;
    uint64_t keptBytes = 0;  // of the segments kept so far

    for (;;) {
        ensureSectionCapacity(sectionList);
        const int32_t marker = findMarker(stream);
        const int hi = stream.next();
        const int lo = hi == EOF ? EOF : stream.next();
        if (lo == EOF) failFatal("invalid marker");
        const int32_t length = hi * 256 + lo;
        if (length < 2) failFatal("invalid marker");
        if (sectionList.count >= kMaxKeptSegments)
            failFatal("Too many segments before the image data (more than 4096)");
        if (keptBytes + static_cast<uint64_t>(length) > kMaxKeptBytes) {
            failFatal("Too many segments before the image data (more than 16 MiB of them)");
        }

        auto data = allocateBytes(static_cast<uint64_t>(length), "Could not allocate memory");
        data[0] = static_cast<uint8_t>(hi);
        data[1] = static_cast<uint8_t>(lo);
        const size_t payload = static_cast<size_t>(length - 2);
        if (stream.read(data.get() + 2, payload) != payload) failFatal("Premature end of file?");
        appendSection(sectionList, std::move(data), marker, length);
        JpegSection& section = sectionList.sections[sectionList.count - 1];
        const int32_t countWithIt = sectionList.count;

        const bool keepMetadata = (mode & LoadMetadata) != 0;
        switch (marker) {
            case kMarkerEoi:
                reportLine("No image in jpeg!");
                return 0;
            case kMarkerSos:
                if (mode & LoadImage) return readImageData(sectionList, stream, (mode & LoadImageLater) != 0);
                return 1;
            case kMarkerApp0:
                readJfifHeader(photoInfo, section, (mode & LoadForTool) != 0);
                dropLastSection(sectionList);
                break;
            case kMarkerApp1:
                if (keepMetadata && length >= 6 && std::memcmp(section.data.get() + 2, "Exif", 4) == 0) {
                    parseExifSegment(records, section.data.get(), static_cast<uint32_t>(length), sectionList.count - 1);
                } else if (keepMetadata && length >= 7 && std::memcmp(section.data.get() + 2, "http:", 5) == 0) {
                    section.marker = PseudoMarkerXmp;
                } else {
                    dropLastSection(sectionList);  // other APP1 kinds are not kept
                }
                break;
            case kMarkerApp13:
                if (!keepMetadata) dropLastSection(sectionList);
                break;
            case kMarkerCom:
                if (commentTaken || !keepMetadata) {
                    dropLastSection(sectionList);
                } else {
                    storeJpegComment(photoInfo, section.data.get(), length);
                    commentTaken = true;
                }
                break;
            default:
                if (isFrameHeader(marker)) readFrameHeader(photoInfo, section);
                break;
        }
        if (sectionList.count == countWithIt) keptBytes += static_cast<uint64_t>(length);
    }
}

}  // namespace

int readSections(PhotoRecords& records, std::FILE* stream, int mode) {
    ByteSource source(stream);
    return readFrom(records, source, mode);
}

int readSectionsFromBytes(PhotoRecords& records, std::span<const uint8_t> bytes, int mode) {
    ByteSource source(bytes);
    return readFrom(records, source, mode);
}

int loadJpegFile(PhotoRecords& records, const char* path, int mode) {
    FileHandle stream(std::fopen(path, "rb"));
    if (!stream) {
        reportLine(std::string("can't open '") + path + "'");
        return 0;
    }
    const int result = readSections(records, stream.get(), mode);
    if (records.sectionList.imageDataOffset >= 0) records.sectionList.imageDataSource = path;
    if (result != 0) return result;
    reportLine(std::string("Not JPEG: ") + path);
    stream.reset();
    freeSections(records);
    return 0;
}

}  // namespace lumivex
