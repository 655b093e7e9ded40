#include "engine/thumbnail/directory_builder.h"

#include <algorithm>

namespace lumivex {

namespace {

std::vector<uint8_t> bytes16(uint16_t value, ExifByteOrder order) {
    std::vector<uint8_t> out(2);
    exifWrite16(out.data(), value, order);
    return out;
}

std::vector<uint8_t> bytes32(uint32_t value, ExifByteOrder order) {
    std::vector<uint8_t> out(4);
    exifWrite32(out.data(), value, order);
    return out;
}

uint32_t even(uint64_t offset) { return static_cast<uint32_t>(offset + (offset & 1)); }

}  // namespace

int DirectoryBuilder::addDirectory() {
    dirs_.emplace_back();
    return static_cast<int>(dirs_.size()) - 1;
}

void DirectoryBuilder::add(int dir, Entry entry) {
    auto& entries = dirs_[static_cast<size_t>(dir)].entries;
    // Readers expect the tags of a directory in ascending order.
    const auto at = std::upper_bound(entries.begin(), entries.end(), entry.tag,
                                     [](uint16_t tag, const Entry& e) { return tag < e.tag; });
    entries.insert(at, std::move(entry));
}

void DirectoryBuilder::addShort(int dir, uint16_t tag, uint16_t value) {
    add(dir, Entry{tag, FormatShort, 1, bytes16(value, order_)});
}

void DirectoryBuilder::addLong(int dir, uint16_t tag, uint32_t value) {
    add(dir, Entry{tag, FormatLong, 1, bytes32(value, order_)});
}

void DirectoryBuilder::addRational(int dir, uint16_t tag, uint32_t numerator, uint32_t denominator) {
    std::vector<uint8_t> value = bytes32(numerator, order_);
    const std::vector<uint8_t> second = bytes32(denominator, order_);
    value.insert(value.end(), second.begin(), second.end());
    add(dir, Entry{tag, FormatRational, 1, std::move(value)});
}

void DirectoryBuilder::addAscii(int dir, uint16_t tag, const std::string& text) {
    std::vector<uint8_t> value(text.begin(), text.end());
    value.push_back(0);
    const auto count = static_cast<uint32_t>(value.size());
    add(dir, Entry{tag, FormatAscii, count, std::move(value)});
}

void DirectoryBuilder::addUndefined(int dir, uint16_t tag, const std::vector<uint8_t>& bytes) {
    add(dir, Entry{tag, FormatUndefined, static_cast<uint32_t>(bytes.size()), bytes});
}

void DirectoryBuilder::addLink(int dir, uint16_t tag, int targetDir) {
    add(dir, Entry{tag, FormatLong, 1, bytes32(0, order_), Special::Link, targetDir});
}

void DirectoryBuilder::setNext(int dir, int targetDir) { dirs_[static_cast<size_t>(dir)].next = targetDir; }

void DirectoryBuilder::addThumbnail(int dir, const std::vector<uint8_t>& thumbnail) {
    thumbnail_ = &thumbnail;
    add(dir, Entry{0x0201, FormatLong, 1, bytes32(0, order_), Special::ThumbnailOffset});
    add(dir, Entry{0x0202, FormatLong, 1, bytes32(static_cast<uint32_t>(thumbnail.size()), order_),
                   Special::ThumbnailLength});
}

std::vector<uint8_t> DirectoryBuilder::build(BuiltLayout& layout) const {
    // First the places: directories, then the values too long for their entries, then the thumbnail.
    layout = BuiltLayout{};
    uint64_t at = base_;
    for (const Directory& d : dirs_) {
        layout.directoryOffsets.push_back(static_cast<uint32_t>(at));
        at += 2 + 12 * uint64_t{d.entries.size()} + 4;
    }
    std::vector<std::vector<uint32_t>> valueOffsets(dirs_.size());
    for (size_t i = 0; i < dirs_.size(); ++i) {
        for (const Entry& e : dirs_[i].entries) {
            at = even(at);
            valueOffsets[i].push_back(e.value.size() > 4 ? static_cast<uint32_t>(at) : 0);
            if (e.value.size() > 4) at += e.value.size();
        }
    }
    layout.thumbnailOffset = even(at);
    layout.end = layout.thumbnailOffset + static_cast<uint32_t>(thumbnail_ ? thumbnail_->size() : 0);

    std::vector<uint8_t> out(layout.end - base_, 0);
    const auto place = [&](uint64_t offset) { return out.data() + (offset - base_); };
    for (size_t i = 0; i < dirs_.size(); ++i) {
        const Directory& d = dirs_[i];
        uint64_t p = layout.directoryOffsets[i];
        exifWrite16(place(p), static_cast<uint16_t>(d.entries.size()), order_);
        p += 2;
        for (size_t k = 0; k < d.entries.size(); ++k, p += 12) {
            const Entry& e = d.entries[k];
            exifWrite16(place(p), e.tag, order_);
            exifWrite16(place(p + 2), e.format, order_);
            exifWrite32(place(p + 4), e.count, order_);
            std::vector<uint8_t> value = e.value;
            if (e.special == Special::Link)
                value = bytes32(layout.directoryOffsets[static_cast<size_t>(e.linkDir)], order_);
            if (e.special == Special::ThumbnailOffset) {
                value = bytes32(layout.thumbnailOffset, order_);
                layout.offsetPos = static_cast<uint32_t>(p + 8);
            }
            if (e.special == Special::ThumbnailLength) layout.lengthPos = static_cast<uint32_t>(p + 8);
            if (valueOffsets[i][k] != 0) {
                exifWrite32(place(p + 8), valueOffsets[i][k], order_);
                std::copy(value.begin(), value.end(), place(valueOffsets[i][k]));
            } else {
                std::copy(value.begin(), value.end(), place(p + 8));
            }
        }
        const uint32_t next = d.next >= 0 ? layout.directoryOffsets[static_cast<size_t>(d.next)] : 0;
        exifWrite32(place(p), next, order_);
    }
    if (thumbnail_ != nullptr) std::copy(thumbnail_->begin(), thumbnail_->end(), place(layout.thumbnailOffset));
    return out;
}

}  // namespace lumivex
