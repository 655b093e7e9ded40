#include "lumivex/splice.h"

#include <algorithm>
#include <cstring>

namespace lumivex {

bool planIsValid(const SplicePlan& plan, std::string& why) {
    uint64_t keptFrom = 0;  // the first source byte no earlier splice has passed
    for (const Splice& splice : plan.splices) {
        if (splice.offset < keptFrom) {
            why = "splices out of order or overlapping";
            return false;
        }
        if (splice.offset > plan.sourceSize || splice.length > plan.sourceSize - splice.offset) {
            why = "a splice reaches past the end of the file";
            return false;
        }
        keptFrom = splice.end();
    }
    return true;
}

uint64_t plannedSize(const SplicePlan& plan) {
    uint64_t size = plan.sourceSize;
    for (const Splice& splice : plan.splices) size = size - splice.length + splice.bytes.size();
    return size;
}

bool applyPlan(std::span<const uint8_t> source, const SplicePlan& plan, std::vector<uint8_t>& out) {
    std::string why;
    if (source.size() != plan.sourceSize || !planIsValid(plan, why)) return false;
    out.clear();
    out.reserve(plannedSize(plan));
    uint64_t at = 0;
    for (const Splice& splice : plan.splices) {
        out.insert(out.end(), source.begin() + static_cast<std::ptrdiff_t>(at),
                   source.begin() + static_cast<std::ptrdiff_t>(splice.offset));
        out.insert(out.end(), splice.bytes.begin(), splice.bytes.end());
        at = splice.end();
    }
    out.insert(out.end(), source.begin() + static_cast<std::ptrdiff_t>(at), source.end());
    return true;
}

void sortByOffset(std::vector<Splice>& splices) {
    std::stable_sort(splices.begin(), splices.end(), [](const Splice& a, const Splice& b) {
        return a.offset != b.offset ? a.offset < b.offset : (a.length == 0 && b.length != 0);
    });
}

uint64_t newOffsetOf(const SplicePlan& plan, uint64_t sourceOffset) {
    uint64_t offset = sourceOffset;
    for (const Splice& splice : plan.splices) {
        // An insertion at the byte itself goes in front of it; a splice after it moves nothing.
        if (splice.offset > sourceOffset || splice.end() > sourceOffset) break;
        offset = offset - splice.length + splice.bytes.size();
    }
    return offset;
}

}  // namespace lumivex
