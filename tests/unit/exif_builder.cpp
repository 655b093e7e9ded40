#include "tests/unit/exif_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/jpeg/sections.h"
#include "engine/thumbnail/file_operation.h"

namespace lumivex::test {

void put16(Bytes& out, size_t at, uint32_t value, ExifByteOrder order) {
    if (out.size() < at + 2) out.resize(at + 2);
    exifWrite16(out.data() + at, static_cast<uint16_t>(value), order);
}

void put32(Bytes& out, size_t at, uint32_t value, ExifByteOrder order) {
    if (out.size() < at + 4) out.resize(at + 4);
    exifWrite32(out.data() + at, value, order);
}

Bytes encode16(std::initializer_list<uint32_t> values, ExifByteOrder order) {
    Bytes out;
    for (uint32_t v : values) put16(out, out.size(), v, order);
    return out;
}

Bytes encode32(std::initializer_list<uint32_t> values, ExifByteOrder order) {
    Bytes out;
    for (uint32_t v : values) put32(out, out.size(), v, order);
    return out;
}

Bytes encodeRationals(std::initializer_list<std::pair<int32_t, int32_t>> values, ExifByteOrder order) {
    Bytes out;
    for (auto [n, d] : values) {
        put32(out, out.size(), static_cast<uint32_t>(n), order);
        put32(out, out.size(), static_cast<uint32_t>(d), order);
    }
    return out;
}

int ExifBuilder::addDirectory() {
    dirs_.emplace_back();
    return static_cast<int>(dirs_.size()) - 1;
}

void ExifBuilder::addEntry(int dir, uint16_t tag, uint16_t format, uint32_t count, Bytes value) {
    dirs_[dir].entries.push_back(Entry{tag, format, count, std::move(value)});
}

void ExifBuilder::addRawEntry(int dir, uint16_t tag, uint16_t format, uint32_t count, uint32_t valueOrOffset) {
    Entry entry{tag, format, count, encode32({valueOrOffset}, order_)};
    entry.raw = true;
    dirs_[dir].entries.push_back(std::move(entry));
}

void ExifBuilder::addShort(int dir, uint16_t tag, uint16_t value) {
    addEntry(dir, tag, FormatShort, 1, encode16({value}, order_));
}

void ExifBuilder::addLong(int dir, uint16_t tag, uint32_t value) {
    addEntry(dir, tag, FormatLong, 1, encode32({value}, order_));
}

void ExifBuilder::addAscii(int dir, uint16_t tag, const std::string& text) {
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    const auto count = static_cast<uint32_t>(value.size());
    addEntry(dir, tag, FormatAscii, count, std::move(value));
}

void ExifBuilder::addRational(int dir, uint16_t tag, int32_t numerator, int32_t denominator) {
    addEntry(dir, tag, FormatRational, 1, encodeRationals({{numerator, denominator}}, order_));
}

void ExifBuilder::addLink(int dir, uint16_t tag, int targetDir) {
    Entry entry{tag, FormatLong, 1, {}};
    entry.linkDir = targetDir;
    dirs_[dir].entries.push_back(std::move(entry));
}

void ExifBuilder::setNext(int dir, int targetDir) { dirs_[dir].next = targetDir; }

void ExifBuilder::setNextRaw(int dir, uint32_t offset) {
    dirs_[dir].nextRaw = true;
    dirs_[dir].nextOffset = offset;
}

void ExifBuilder::setThumbnail(int dir, Bytes thumbnail, uint16_t lengthFormat, bool withLength) {
    thumbnail_ = std::move(thumbnail);
    Entry offset{0x0201, FormatLong, 1, {}};
    offset.toThumbnail = true;
    dirs_[dir].entries.push_back(std::move(offset));
    if (!withLength) return;
    const auto length = static_cast<uint32_t>(thumbnail_.size());
    const bool narrow = lengthFormat == FormatShort || lengthFormat == FormatSShort;
    const bool byte = lengthFormat == FormatByte || lengthFormat == FormatSByte || lengthFormat == FormatUndefined;
    Bytes value = narrow ? encode16({length}, order_) : encode32({length}, order_);
    if (byte) value = {static_cast<uint8_t>(length), 0, 0, 0};
    addEntry(dir, 0x0202, lengthFormat, 1, std::move(value));
}

void ExifBuilder::appendTrailingValue(int dir, uint16_t tag, Bytes value) {
    const auto count = static_cast<uint32_t>(value.size());
    trailing_ = std::move(value);
    if (tag == 0) return;
    Entry entry{tag, FormatUndefined, count, {}};
    entry.toTrailing = true;
    dirs_[dir].entries.push_back(std::move(entry));
}

Bytes ExifBuilder::tiff() const {
    // First pass: where every directory, value and the thumbnail go.
    dirOffsets_.clear();
    uint32_t at = 8;
    for (const Directory& d : dirs_) {
        dirOffsets_.push_back(at);
        at += 2 + 12 * static_cast<uint32_t>(d.entries.size()) + 4;
    }
    std::vector<std::vector<uint32_t>> valueOffsets(dirs_.size());
    for (size_t i = 0; i < dirs_.size(); ++i) {
        for (const Entry& e : dirs_[i].entries) {
            const bool outOfLine = !e.raw && e.linkDir < 0 && !e.toThumbnail && !e.toTrailing && e.value.size() > 4;
            valueOffsets[i].push_back(outOfLine ? at : 0);
            if (outOfLine) at += static_cast<uint32_t>(e.value.size());
        }
    }
    thumbOffset_ = at;
    const uint32_t trailingOffset = at + static_cast<uint32_t>(thumbnail_.size());

    Bytes out{static_cast<uint8_t>(order_ == ExifByteOrder::Intel ? 'I' : 'M'),
              static_cast<uint8_t>(order_ == ExifByteOrder::Intel ? 'I' : 'M')};
    put16(out, 2, 42, order_);
    put32(out, 4, dirs_.empty() ? 8 : dirOffsets_[0], order_);
    for (size_t i = 0; i < dirs_.size(); ++i) {
        const Directory& d = dirs_[i];
        size_t p = dirOffsets_[i];
        put16(out, p, static_cast<uint32_t>(d.entries.size()), order_);
        p += 2;
        for (size_t k = 0; k < d.entries.size(); ++k, p += 12) {
            const Entry& e = d.entries[k];
            put16(out, p, e.tag, order_);
            put16(out, p + 2, e.format, order_);
            put32(out, p + 4, e.count, order_);
            put32(out, p + 8, 0, order_);
            if (e.linkDir >= 0) {
                put32(out, p + 8, dirOffsets_[e.linkDir], order_);
            } else if (e.toThumbnail) {
                put32(out, p + 8, thumbOffset_, order_);
            } else if (e.toTrailing) {
                put32(out, p + 8, trailingOffset, order_);
            } else if (valueOffsets[i][k] != 0) {
                put32(out, p + 8, valueOffsets[i][k], order_);
                if (out.size() < valueOffsets[i][k] + e.value.size()) out.resize(valueOffsets[i][k] + e.value.size());
                std::copy(e.value.begin(), e.value.end(), out.begin() + valueOffsets[i][k]);
            } else {
                std::copy(e.value.begin(), e.value.end(), out.begin() + static_cast<long>(p + 8));
            }
        }
        const uint32_t next = d.nextRaw ? d.nextOffset : d.next >= 0 ? dirOffsets_[d.next] : 0;
        put32(out, p, next, order_);
    }
    out.resize(thumbOffset_);
    out.insert(out.end(), thumbnail_.begin(), thumbnail_.end());
    out.insert(out.end(), trailing_.begin(), trailing_.end());
    return out;
}

Bytes ExifBuilder::segment() const {
    const Bytes block = tiff();
    static const uint8_t kHeader[] = {0, 0, 'E', 'x', 'i', 'f', 0, 0};
    Bytes out(std::begin(kHeader), std::end(kHeader));
    out.resize(sizeof kHeader + block.size());
    std::copy(block.begin(), block.end(), out.begin() + sizeof kHeader);
    out[0] = static_cast<uint8_t>(out.size() >> 8);
    out[1] = static_cast<uint8_t>(out.size());
    return out;
}

uint32_t ExifBuilder::directoryOffset(int dir) const { return dirOffsets_.at(static_cast<size_t>(dir)); }
uint32_t ExifBuilder::thumbnailOffset() const { return thumbOffset_; }

JpegBuilder& JpegBuilder::segment(uint8_t marker, const Bytes& payload) {
    const size_t length = payload.size() + 2;
    out_.insert(out_.end(), {0xFF, marker, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)});
    out_.insert(out_.end(), payload.begin(), payload.end());
    return *this;
}

JpegBuilder& JpegBuilder::raw(const Bytes& bytes) {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
    return *this;
}

JpegBuilder& JpegBuilder::exif(const Bytes& exifSegment) {
    out_.insert(out_.end(), {0xFF, 0xE1});
    out_.insert(out_.end(), exifSegment.begin(), exifSegment.end());
    return *this;
}

JpegBuilder& JpegBuilder::jfif(uint8_t units, uint16_t x, uint16_t y) {
    return segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, units, static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(x),
                          static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(y), 0, 0});
}

JpegBuilder& JpegBuilder::image(uint16_t width, uint16_t height, const Bytes& tail) {
    segment(0xDB, Bytes(65, 1));
    segment(0xC0, {8, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height), static_cast<uint8_t>(width >> 8),
                   static_cast<uint8_t>(width), 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1});
    segment(0xC4, Bytes(20, 0));
    segment(0xDA, {3, 1, 0, 2, 0x11, 3, 0x11, 0, 0x3F, 0});
    raw({0x12, 0x34, 0xFF, 0x00, 0x56, 0xFF, 0xD9});
    return raw(tail);
}

Bytes JpegBuilder::bytes() const { return out_; }

TempDir::TempDir() {
    // Named after the running test, so that a death test re-run in a new process (as on Windows) finds
    // the same folder and the same paths in its reports.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "lumivex-test";
    if (test != nullptr) name += std::string("-") + test->test_suite_name() + "-" + test->name();
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == ':') c = '_';
    }
    const auto folder = std::filesystem::temp_directory_path() / name;
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::filesystem::create_directories(folder);
    dir_ = folder.string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(dir_, ignored);
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

std::string testDataPath(const std::string& relative) { return std::string(LUMIVEX_TEST_DATA) + "/" + relative; }

int loadForTest(PhotoRecords& records, const std::string& path) { return readSourceFile(records, path.c_str(), false); }

}  // namespace lumivex::test
