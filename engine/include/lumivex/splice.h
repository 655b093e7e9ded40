// An edit of a file described as a plan: which byte ranges of the original are replaced by which new bytes.
// Everything outside those ranges is kept byte for byte, so a test can compare every byte the plan does not own,
// and one writer applies every plan (clone and patch where the file system clones, kernel-side copies elsewhere).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lumivex {

struct Splice {
    uint64_t offset = 0;         // in the original file
    uint64_t length = 0;         // bytes of the original that go (0: the new bytes are inserted at offset)
    std::vector<uint8_t> bytes;  // what takes their place

    uint64_t end() const { return offset + length; }
};

struct SplicePlan {
    uint64_t sourceSize = 0;      // the size of the file the plan was made for
    std::vector<Splice> splices;  // by offset, none overlapping another
};

// True when every splice lies inside the source and the splices are in order without overlap.
bool planIsValid(const SplicePlan& plan, std::string& why);

// The size of the file the plan makes.
uint64_t plannedSize(const SplicePlan& plan);

// The file the plan makes, in memory, into out; false (out untouched) when source is not plan.sourceSize bytes
// long or the plan is not valid.
bool applyPlan(std::span<const uint8_t> source, const SplicePlan& plan, std::vector<uint8_t>& out);

// Puts splices in file order; at one offset an insertion goes before the splice that replaces the bytes there,
// which is the only order in which both are valid.
void sortByOffset(std::vector<Splice>& splices);

// Where the byte at sourceOffset of the original lands in the new file; sourceOffset must not lie inside a
// replaced range.
uint64_t newOffsetOf(const SplicePlan& plan, uint64_t sourceOffset);

}  // namespace lumivex
