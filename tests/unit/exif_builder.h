// Hand-built Exif blocks and JPEG files for the tests, in either byte order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/exif/byte_order.h"
#include "engine/jpeg/photo_records.h"

namespace lumivex::test {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& out, size_t at, uint32_t value, ExifByteOrder order);
void put32(Bytes& out, size_t at, uint32_t value, ExifByteOrder order);
Bytes encode16(std::initializer_list<uint32_t> values, ExifByteOrder order);
Bytes encode32(std::initializer_list<uint32_t> values, ExifByteOrder order);
// RATIONAL/SRATIONAL components: numerator, denominator pairs.
Bytes encodeRationals(std::initializer_list<std::pair<int32_t, int32_t>> values, ExifByteOrder order);

// Lays out directories right after the TIFF header, then the values that do not fit in an entry, then
// whatever was appended last (the thumbnail, or bytes placed after it).
class ExifBuilder {
  public:
    explicit ExifBuilder(ExifByteOrder order) : order_(order) {}

    ExifByteOrder order() const { return order_; }
    int addDirectory();  // the first call gives the first directory (index 0)
    // value holds the bytes as stored (already in the block's order); up to 4 go inline.
    void addEntry(int dir, uint16_t tag, uint16_t format, uint32_t count, Bytes value);
    // An entry whose 4 value bytes are given raw, whatever its count says (for hostile entries).
    void addRawEntry(int dir, uint16_t tag, uint16_t format, uint32_t count, uint32_t valueOrOffset);
    void addShort(int dir, uint16_t tag, uint16_t value);
    void addLong(int dir, uint16_t tag, uint32_t value);
    void addAscii(int dir, uint16_t tag, const std::string& text);  // a NUL is added
    void addRational(int dir, uint16_t tag, int32_t numerator, int32_t denominator);
    void addLink(int dir, uint16_t tag, int targetDir);  // ExifOffset, GPS, Interop: a LONG offset
    void setNext(int dir, int targetDir);
    void setNextRaw(int dir, uint32_t offset);
    // ThumbnailOffset and ThumbnailLength entries in dir; the bytes go after everything else.
    void setThumbnail(int dir, Bytes thumbnail, uint16_t lengthFormat = FormatLong, bool withLength = true);
    // Bytes placed after the thumbnail; an entry (tag, format UNDEFINED) points at them when tag is non-zero.
    void appendTrailingValue(int dir, uint16_t tag, Bytes value);

    Bytes tiff() const;
    Bytes segment() const;  // 2 length bytes, "Exif\0\0", the TIFF block
    // Offsets the layout gives (valid after tiff()).
    uint32_t directoryOffset(int dir) const;
    uint32_t thumbnailOffset() const;

  private:
    struct Entry {
        uint16_t tag;
        uint16_t format;
        uint32_t count;
        Bytes value;
        int linkDir = -1;  // value is the offset of this directory
        bool raw = false;  // value is the 4 raw bytes
        bool toThumbnail = false;
        bool toTrailing = false;
    };
    struct Directory {
        std::vector<Entry> entries;
        int next = -1;
        bool nextRaw = false;
        uint32_t nextOffset = 0;
    };
    ExifByteOrder order_;
    std::vector<Directory> dirs_;
    Bytes thumbnail_;
    Bytes trailing_;
    mutable std::vector<uint32_t> dirOffsets_;
    mutable uint32_t thumbOffset_ = 0;
};

// A JPEG file from segments: each is (marker, payload without the length bytes).
class JpegBuilder {
  public:
    JpegBuilder& segment(uint8_t marker, const Bytes& payload);
    JpegBuilder& raw(const Bytes& bytes);         // bytes as they are, e.g. padding before a marker
    JpegBuilder& exif(const Bytes& exifSegment);  // an APP1 built by ExifBuilder::segment()
    JpegBuilder& jfif(uint8_t units, uint16_t x, uint16_t y);
    // DQT, SOF0 (width x height), DHT, SOS, some scan bytes and EOI.
    JpegBuilder& image(uint16_t width = 16, uint16_t height = 8, const Bytes& tail = {});
    Bytes bytes() const;

  private:
    Bytes out_{0xFF, 0xD8};
};

// Temporary directory removed at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

void writeFile(const std::string& path, const Bytes& bytes);
Bytes readFile(const std::string& path);
bool fileExists(const std::string& path);
std::string testDataPath(const std::string& relative);

// Runs the engine's first steps on a file as every operation does, and loads it.
int loadForTest(PhotoRecords& records, const std::string& path);

}  // namespace lumivex::test
