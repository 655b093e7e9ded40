// What the C API asks of the engine and the imaging library, as plain values. This is the one place that
// knows how a photo in memory reaches an engine that works on files.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "lumivex/splice.h"

namespace lumivex::lib {

// The result of one call: the C code, the outcome word and the tool's message.
struct Outcome {
    int code = 0;
    bool changed = false;
    std::string outcome;  // "done", "nothing to do", "refused", "failed"
    std::string route;
    std::string message;
};

struct CopyFacts {
    std::string kind;
    std::string name;
    uint64_t offset = 0;
    uint64_t length = 0;
};

struct PhotoFacts {
    std::string make, model, dateTimeOriginal;
    int orientation = 0;
    int width = 0;
    int height = 0;
    uint64_t size = 0;
    std::vector<uint8_t> thumbnail;
    std::vector<CopyFacts> copies;  // the Exif thumbnail first, then the others in file order
};

struct CheckedCopy {
    CopyFacts copy;
    std::string verdict;
    std::string reason;
    bool hasScore = false;
    double score = 0;
};

struct CheckValue {
    std::string verdict;
    std::string reason;
    bool hasScore = false;
    double score = 0;
    std::vector<CheckedCopy> copies;
};

enum class Edit { Replace, Delete, Regenerate };

struct EditOptions {
    Edit edit = Edit::Delete;
    std::span<const uint8_t> thumbnail;  // replace
    int boxWidth = 160;                  // regenerate
    int boxHeight = 120;
    int quality = 85;
    bool keepBackup = true;  // paths only
    bool dryRun = false;
};

// The engine's message boxes become report lines of the photo, never text on the host's standard error.
void routeDriverMessages();

Outcome readFacts(const std::string& path, PhotoFacts& facts);
Outcome readFacts(std::span<const uint8_t> photo, PhotoFacts& facts);

Outcome editPath(const std::string& path, const EditOptions& options);
// Bytes from malloc, handed to a C caller who frees them with free().
struct MallocBytes {
    uint8_t* data = nullptr;
    size_t size = 0;
    MallocBytes() = default;
    MallocBytes(const MallocBytes&) = delete;
    MallocBytes& operator=(const MallocBytes&) = delete;
    ~MallocBytes() { std::free(data); }
    uint8_t* release() { return std::exchange(data, nullptr); }
};

// An edit of bytes planned but not yet made, so that the caller decides where the new photo goes.
struct PlannedEdit {
    Outcome outcome;
    uint64_t sourceSize = 0;  // of the photo it was planned for
    uint64_t size = 0;        // of the new photo
    SplicePlan splices;       // no splices: the photo unchanged (nothing to do)
};

// Replace or delete on bytes, planned over the photo in place (no copy of it made).
Outcome planBytes(std::span<const uint8_t> photo, const EditOptions& options, PlannedEdit& planned);
// The new photo into out, which holds at least planned.size bytes; false when the plan failed or the photo is
// not the one it was planned for.
bool writePlanned(std::span<const uint8_t> photo, const PlannedEdit& planned, std::span<uint8_t> out);

// out: the new photo; the photo unchanged when there was nothing to do.
Outcome editBytes(std::span<const uint8_t> photo, const EditOptions& options, MallocBytes& out);

Outcome checkPath(const std::string& path, CheckValue& value);
Outcome checkBytes(std::span<const uint8_t> photo, CheckValue& value);

}  // namespace lumivex::lib
