#include "engine/previews/tiff_view.h"

namespace lumivex::previews {

namespace {

constexpr uint32_t kMaxEntries = 1000;  // no real directory has more; a hostile count is not walked

uint64_t typeSize(uint16_t type) {
    switch (type) {
        case 1:  // BYTE
        case 2:  // ASCII
        case 6:  // SBYTE
        case 7:  // UNDEFINED
            return 1;
        case 3:  // SHORT
        case 8:  // SSHORT
            return 2;
        case 4:   // LONG
        case 9:   // SLONG
        case 11:  // FLOAT
        case 13:  // IFD
            return 4;
        case 5:   // RATIONAL
        case 10:  // SRATIONAL
        case 12:  // DOUBLE
            return 8;
        default:
            return 0;
    }
}

}  // namespace

uint64_t TiffEntry::dataSize() const { return typeSize(type) * count; }

uint32_t TiffView::u16(uint64_t off) const {
    if (!fits(off, 2, bytes.size())) return 0;
    return little ? bytes[off] | (uint32_t{bytes[off + 1]} << 8) : be16(bytes, off);
}

uint32_t TiffView::u32(uint64_t off) const {
    if (!fits(off, 4, bytes.size())) return 0;
    return little ? u16(off) | (u16(off + 2) << 16) : be32(bytes, off);
}

void TiffView::put16(uint8_t* p, uint32_t v) const {
    if (!little) return putBe16(p, v);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void TiffView::put32(uint8_t* p, uint32_t v) const {
    if (!little) return putBe32(p, v);
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

std::optional<uint64_t> TiffView::dataOffset(const TiffEntry& entry) const {
    const uint64_t size = entry.dataSize();
    const uint64_t off = size <= 4 ? entry.at + 8 : entry.value;
    if (!fits(off, size, bytes.size())) return std::nullopt;
    return off;
}

std::optional<TiffView> tiffAt(Bytes bytes, uint64_t base) {
    TiffView view{bytes, false, base};
    if (startsWith(bytes, 0, "II*\0")) {
        view.little = true;
    } else if (!startsWith(bytes, 0, "MM\0*")) {
        return std::nullopt;
    }
    return view;
}

std::vector<TiffEntry> readDirectory(const TiffView& view, uint64_t off, uint64_t* next) {
    std::vector<TiffEntry> entries;
    if (next != nullptr) *next = 0;
    if (!fits(off, 2, view.bytes.size())) return entries;
    const uint32_t count = view.u16(off);
    if (count > kMaxEntries || !fits(off + 2, uint64_t{count} * 12, view.bytes.size())) return entries;
    entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t at = off + 2 + uint64_t{i} * 12;
        TiffEntry entry;
        entry.tag = static_cast<uint16_t>(view.u16(at));
        entry.type = static_cast<uint16_t>(view.u16(at + 2));
        entry.count = view.u32(at + 4);
        entry.at = at;
        entry.value = (entry.type == 3 || entry.type == 8) && entry.count <= 2 ? view.u16(at + 8) : view.u32(at + 8);
        entries.push_back(entry);
    }
    const uint64_t nextAt = off + 2 + uint64_t{count} * 12;
    if (next != nullptr && fits(nextAt, 4, view.bytes.size())) *next = view.u32(nextAt);
    return entries;
}

const TiffEntry* findEntry(const std::vector<TiffEntry>& entries, uint16_t tag) {
    for (const TiffEntry& entry : entries) {
        if (entry.tag == tag) return &entry;
    }
    return nullptr;
}

}  // namespace lumivex::previews
