// What the fuzz targets share: a fatal report ends one input instead of the process, quiet engine reports,
// and a private scratch folder for the targets that go through files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/diag/diag.h"

namespace lumivex::fuzz {

// The engine's fatal reports are a normal outcome of hostile input: they end one input.
using FatalEnd = FatalError;

// Installs the silent report and message sinks once; every target calls it first.
void prepareEngine();

// Runs step; true when it ran to its end, false when the engine ended it with a fatal report.
template <typename Step>
bool runGuarded(Step&& step) {
    try {
        step();
        return true;
    } catch (const FatalEnd&) {
        return false;
    }
}

// A folder of this process's own, made once and reused by every input.
const std::string& scratchFolder();

bool writeFileBytes(const std::string& path, const uint8_t* data, size_t size);
// False when the file cannot be read; bytes then holds nothing.
bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes);
bool fileExists(const std::string& path);

// Ends the run with a message: an invariant the engine promises did not hold.
[[noreturn]] void failInvariant(const char* what);

}  // namespace lumivex::fuzz
