#include "engine/previews/mpf_index.h"

#include "engine/previews/finders.h"
#include "engine/previews/tiff_view.h"

namespace lumivex::previews {

namespace {

constexpr uint16_t kNumberOfImages = 0xB001;
constexpr uint16_t kMpEntry = 0xB002;
constexpr uint16_t kImageUidList = 0xB003;
constexpr uint64_t kEntryBytes = 16;
constexpr uint64_t kUidBytes = 33;

std::optional<TiffView> indexView(Bytes file, const SegmentEntry& app2) {
    const Bytes payload = payloadOf(file, app2);
    if (payload.size() < 4 + 8) return std::nullopt;
    return tiffAt(payload.subspan(4), app2.payloadOffset() + 4);
}

void putEntry(const TiffView& view, uint8_t* p, const MpfEntry& entry) {
    view.put32(p, entry.attribute);
    view.put32(p + 4, entry.size);
    view.put32(p + 8, entry.offset);
    view.put16(p + 12, entry.dependent1);
    view.put16(p + 14, entry.dependent2);
}

// One directory entry to write: its tag and type, and its data bytes (inline when 4 or fewer).
struct OutEntry {
    uint16_t tag, type;
    uint32_t count;
    std::vector<uint8_t> data;
};

// Writes a directory and its data at the end of out (offsets from out's start); the next-directory link is
// left for the caller at the returned position.
uint64_t writeDirectory(const TiffView& view, const std::vector<OutEntry>& entries, std::vector<uint8_t>& out) {
    const uint64_t at = out.size();
    out.resize(at + 2 + entries.size() * 12 + 4, 0);
    view.put16(&out[at], static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const OutEntry& e = entries[i];
        const uint64_t slot = at + 2 + i * 12;
        view.put16(&out[slot], e.tag);
        view.put16(&out[slot + 2], e.type);
        view.put32(&out[slot + 4], e.count);
        if (e.data.size() <= 4) {
            std::copy(e.data.begin(), e.data.end(), out.begin() + static_cast<std::ptrdiff_t>(slot + 8));
        } else {
            if (out.size() % 2 != 0) out.push_back(0);
            view.put32(&out[slot + 8], static_cast<uint32_t>(out.size()));
            out.insert(out.end(), e.data.begin(), e.data.end());
        }
    }
    return at + 2 + entries.size() * 12;
}

std::vector<OutEntry> copyEntries(const TiffView& view, const std::vector<TiffEntry>& dir, bool& ok) {
    std::vector<OutEntry> out;
    for (const TiffEntry& entry : dir) {
        const auto data = view.dataOffset(entry);
        if (!data) {
            ok = false;
            return out;
        }
        const auto first = view.bytes.begin() + static_cast<std::ptrdiff_t>(*data);
        out.push_back({entry.tag, entry.type, entry.count,
                       std::vector<uint8_t>(first, first + static_cast<std::ptrdiff_t>(entry.dataSize()))});
    }
    return out;
}

}  // namespace

std::optional<MpfIndex> readMpfIndex(Bytes file, const SegmentEntry& app2) {
    const auto view = indexView(file, app2);
    if (!view) return std::nullopt;
    const std::vector<TiffEntry> dir = readDirectory(*view, view->u32(4));
    const TiffEntry* list = findEntry(dir, kMpEntry);
    if (list == nullptr || list->count % kEntryBytes != 0 || list->count / kEntryBytes > kMaxMpfEntries) {
        return std::nullopt;
    }
    const auto data = view->dataOffset(*list);
    if (!data) return std::nullopt;
    MpfIndex index;
    index.headerOffset = view->base;
    index.little = view->little;
    for (uint64_t i = 0; i < list->count / kEntryBytes; ++i) {
        const uint64_t at = *data + i * kEntryBytes;
        index.entries.push_back({view->u32(at), view->u32(at + 4), view->u32(at + 8),
                                 static_cast<uint16_t>(view->u16(at + 12)), static_cast<uint16_t>(view->u16(at + 14))});
    }
    return index;
}

std::optional<std::vector<uint8_t>> rewriteMpfSegment(Bytes file, const SegmentEntry& app2,
                                                      const std::vector<MpfEntry>& entries,
                                                      const std::vector<size_t>& keep) {
    const auto view = indexView(file, app2);
    if (!view || keep.size() != entries.size()) return std::nullopt;
    uint64_t next = 0;
    const std::vector<TiffEntry> dir = readDirectory(*view, view->u32(4), &next);
    const TiffEntry* list = findEntry(dir, kMpEntry);
    const auto listAt = list != nullptr ? view->dataOffset(*list) : std::nullopt;
    if (!listAt) return std::nullopt;
    const uint64_t oldCount = list->count / kEntryBytes;
    // The entries are written over the list's bytes: all of them must lie in the segment, whatever type the
    // entry claims (an unknown type has no size, and its "data" would be the entry's own 4 bytes).
    if (oldCount > (view->bytes.size() - *listAt) / kEntryBytes) return std::nullopt;
    const Bytes segment = file.subspan(app2.offset, app2.length);
    if (entries.size() == oldCount) {
        // The same layout: only the entries' numbers change.
        std::vector<uint8_t> out(segment.begin(), segment.end());
        const uint64_t at = (view->base - app2.offset) + *listAt;
        for (size_t i = 0; i < entries.size(); ++i) putEntry(*view, &out[at + i * kEntryBytes], entries[i]);
        return out;
    }
    // Fewer images: the index directory and the attribute directory after it are written again.
    bool ok = true;
    std::vector<OutEntry> index = copyEntries(*view, dir, ok);
    const std::vector<TiffEntry> attributes = next != 0 ? readDirectory(*view, next) : std::vector<TiffEntry>{};
    const std::vector<OutEntry> attributeEntries = copyEntries(*view, attributes, ok);
    if (!ok) return std::nullopt;
    for (OutEntry& e : index) {
        if (e.tag == kNumberOfImages && e.data.size() == 4)
            view->put32(e.data.data(), static_cast<uint32_t>(entries.size()));
        if (e.tag == kMpEntry) {
            e.count = static_cast<uint32_t>(entries.size() * kEntryBytes);
            e.data.assign(e.count, 0);
            for (size_t i = 0; i < entries.size(); ++i) putEntry(*view, &e.data[i * kEntryBytes], entries[i]);
        }
        if (e.tag == kImageUidList && e.data.size() == oldCount * kUidBytes) {
            std::vector<uint8_t> kept;
            for (size_t old : keep) {
                const auto first = e.data.begin() + static_cast<std::ptrdiff_t>(old * kUidBytes);
                kept.insert(kept.end(), first, first + kUidBytes);
            }
            e.data = std::move(kept);
            e.count = static_cast<uint32_t>(e.data.size());
        }
    }
    std::vector<uint8_t> tiff(view->bytes.begin(), view->bytes.begin() + 8);
    view->put32(&tiff[4], 8);
    const uint64_t link = writeDirectory(*view, index, tiff);
    if (!attributeEntries.empty()) {
        if (tiff.size() % 2 != 0) tiff.push_back(0);
        view->put32(&tiff[link], static_cast<uint32_t>(tiff.size()));
        writeDirectory(*view, attributeEntries, tiff);
    }
    if (tiff.size() + 2 + 4 > 0xFFFF) return std::nullopt;
    std::vector<uint8_t> out = {0xFF, 0xE2, 0, 0, 'M', 'P', 'F', 0};
    putBe16(&out[2], static_cast<uint32_t>(tiff.size() + 2 + 4));
    out.insert(out.end(), tiff.begin(), tiff.end());
    return out;
}

std::optional<Splice> mainImageSizeSplice(Bytes head, const SegmentMap& map, const std::vector<Splice>& splices) {
    const SegmentEntry* app2 = findSegment(map, head, 0xE2, std::string_view("MPF\0", 4));
    if (app2 == nullptr || !fits(app2->offset, app2->length, head.size())) return std::nullopt;
    const std::optional<MpfIndex> index = readMpfIndex(head, *app2);
    if (!index || index->entries.empty()) return std::nullopt;
    const uint64_t mainEnd = index->entries[0].size;
    int64_t change = 0;
    for (const Splice& splice : splices) {
        if (splice.offset < app2->end() && splice.end() > app2->offset) return std::nullopt;
        if (splice.offset < mainEnd)
            change += static_cast<int64_t>(splice.bytes.size()) - static_cast<int64_t>(splice.length);
    }
    const int64_t size = static_cast<int64_t>(mainEnd) + change;
    if (change == 0 || size <= 0 || size > int64_t{UINT32_MAX}) return std::nullopt;
    std::vector<MpfEntry> entries = index->entries;
    entries[0].size = static_cast<uint32_t>(size);
    std::vector<size_t> keep(entries.size());
    for (size_t i = 0; i < keep.size(); ++i) keep[i] = i;
    std::optional<std::vector<uint8_t>> written = rewriteMpfSegment(head, *app2, entries, keep);
    if (!written) return std::nullopt;
    return Splice{app2->offset, app2->length, std::move(*written)};
}

}  // namespace lumivex::previews
