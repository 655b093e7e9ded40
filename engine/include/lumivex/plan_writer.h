// Writes the file a splice plan makes from an open source file into an empty, open temporary file.
#pragma once

#include <cstdint>
#include <string>

#include "lumivex/file_services.h"
#include "lumivex/splice.h"

namespace lumivex {

// The new file's bytes up to the end of the block where the last splice ends are written; where everything
// after them moves by whole blocks (or not at all), the rest is a clone of the source's blocks, and where the
// file system cannot clone, it is copied kernel-side. Every byte outside
// the plan's ranges comes from the source unchanged. False (why says what) on any fault, also when the source
// is no longer plan.sourceSize bytes long. newSize receives the written file's size.
bool writePlan(const platform::OpenFile& source, const SplicePlan& plan, platform::OpenFile& temp, uint64_t& newSize,
               std::string& why);

// Clones share data only where it moves by whole blocks of this size (the usual block of the file systems that
// clone).
constexpr uint64_t kPlanCloneBlockBytes = 4096;

}  // namespace lumivex
