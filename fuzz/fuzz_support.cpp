#include "fuzz/fuzz_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "engine/diag/diag.h"
#include "lumivex/driver_messages.h"

namespace lumivex::fuzz {

namespace {

void dropDriverMessage(const char* /*utf8Text*/) {}

}  // namespace

void prepareEngine() {
    discardReports(true);
    setDriverMessageSink(dropDriverMessage);
}

namespace {

// Made on first use, removed with everything in it when the process ends normally.
class Scratch {
  public:
    Scratch() {
        // Memory-backed when the system has it: every input writes a few small files.
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : nullptr;
        if (base == nullptr) base = std::getenv("TMPDIR");
        if (base == nullptr || *base == '\0') base = "/tmp";
        std::string pattern = std::string(base) + "/lumivex-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) failInvariant("cannot make a scratch folder");
        path = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string path;
};

}  // namespace

const std::string& scratchFolder() {
    static const Scratch scratch;
    return scratch.path;
}

bool writeFileBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, out) == size;
    return std::fclose(out) == 0 && written;
}

bool readFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return false;
    uint8_t chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, in)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    const bool ok = std::ferror(in) == 0;
    std::fclose(in);
    return ok;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

void failInvariant(const char* what) {
    // The crash report that follows the abort names the input; this line says which promise broke.
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

}  // namespace lumivex::fuzz
