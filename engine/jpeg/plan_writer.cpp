#include "lumivex/plan_writer.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <vector>

#include "engine/platform/file_services.h"

namespace lumivex {

namespace {

// A block written only in part must first be read back from the disk (over a clone, from the shared extent):
// the written head reaches on to the end of its last block, with the source's own bytes, or to the file's end.
uint64_t blockPadding(uint64_t headSize, uint64_t fileSize) {
    const uint64_t partial = headSize % kPlanCloneBlockBytes;
    const uint64_t toBlockEnd = partial == 0 ? 0 : kPlanCloneBlockBytes - partial;
    return std::min(toBlockEnd, fileSize - headSize);
}

// The new file's bytes from its start up to where the last splice ends in the source, and the padding after it,
// from one read of the source's head.
bool newHead(const platform::OpenFile& source, const SplicePlan& plan, uint64_t padding, std::vector<uint8_t>& head) {
    const uint64_t headEnd = plan.splices.empty() ? 0 : plan.splices.back().end();
    std::vector<uint8_t> old(static_cast<size_t>(headEnd + padding));
    if (!platform::readAt(source, 0, old.data(), old.size())) return false;
    uint64_t at = 0;
    for (const Splice& splice : plan.splices) {
        head.insert(head.end(), old.begin() + static_cast<std::ptrdiff_t>(at),
                    old.begin() + static_cast<std::ptrdiff_t>(splice.offset));
        head.insert(head.end(), splice.bytes.begin(), splice.bytes.end());
        at = splice.end();
    }
    head.insert(head.end(), old.begin() + static_cast<std::ptrdiff_t>(at), old.end());
    return true;
}

bool writeWithin(const platform::OpenFile& source, const SplicePlan& plan, platform::OpenFile& temp, uint64_t& newSize,
                 std::string& why) {
    const uint64_t headEnd = plan.splices.empty() ? 0 : plan.splices.back().end();
    const uint64_t size = plannedSize(plan);
    const uint64_t padding = blockPadding(size - (plan.sourceSize - headEnd), size);
    std::vector<uint8_t> head;
    if (!newHead(source, plan, padding, head)) {
        why = "Could not read the photo for the new file";
        return false;
    }
    const bool grows = size >= plan.sourceSize;
    const uint64_t shift = grows ? size - plan.sourceSize : 0;
    const uint64_t rest = headEnd + padding;  // where the bytes after the written head begin in the source
    // The head goes into the empty file first; the rest, moved by whole blocks (or not at all), is a clone that
    // shares the photo's blocks. Written before the clone, the head fills no hole and copies no shared block.
    bool ok = platform::writeAt(temp, 0, head.data(), head.size());
    const bool clonable = grows && shift % kPlanCloneBlockBytes == 0 && head.size() % kPlanCloneBlockBytes == 0;
    const bool cloned =
        ok && (head.size() == size || (clonable && platform::cloneRange(source, rest, temp, head.size())));
    if (!cloned) {
        // A copy takes the planned bytes only: a photo that grew meanwhile must show here.
        platform::FileStatus status;
        if (!platform::statOpenFile(source, status) || static_cast<uint64_t>(status.size) != plan.sourceSize) {
            why = "the photo changed while it was edited; it was left alone";
            return false;
        }
        ok = ok && platform::copyBetween(source, rest, temp, head.size(), plan.sourceSize - rest);
    }
    // A clone reaches the source's end as it is now: a photo that grew or shrank meanwhile shows in the size.
    platform::FileStatus written;
    if (!ok || !platform::statOpenFile(temp, written) || static_cast<uint64_t>(written.size) != size) {
        why = "Could not write the new file whole (disk full, or the photo changed while it was edited)";
        return false;
    }
    newSize = size;
    return true;
}

}  // namespace

bool writePlan(const platform::OpenFile& source, const SplicePlan& plan, platform::OpenFile& temp, uint64_t& newSize,
               std::string& why) {
    if (!planIsValid(plan, why)) return false;
    // A false return lets the caller remove the temporary file; an exception would leave it behind.
    try {
        return writeWithin(source, plan, temp, newSize, why);
    } catch (const std::bad_alloc&) {
        why = "Could not allocate memory for the new file";
        return false;
    }
}

}  // namespace lumivex
