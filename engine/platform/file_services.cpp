#include "engine/platform/file_services.h"

#include <vector>

#include "engine/platform/file_names.h"

namespace lumivex::platform {

// The descriptor held before goes with a temporary, whose destructor (the platform's own) closes it.
OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        const OpenFile previous(release());
        fd_ = other.release();
    }
    return *this;
}

OpenFile createTempIn(const Folder& folder, std::string& tempName) {
    for (int attempt = 0; attempt < 64; ++attempt) {
        std::string name = temporaryName();
        bool nameTaken = false;
        OpenFile file = createTempNamed(folder, name, nameTaken);
        if (file.isOpen()) {
            tempName = std::move(name);
            return file;
        }
        if (!nameTaken) break;
    }
    return OpenFile();
}

bool copyBetween(const OpenFile& from, uint64_t fromOffset, const OpenFile& to, uint64_t toOffset, uint64_t n) {
    // The kernel copies (or shares) what it can; a system or file system that refuses gets the loop below.
    const uint64_t copied = copyInKernel(from, fromOffset, to, toOffset, n);
    std::vector<uint8_t> chunk(static_cast<size_t>(n - copied < (1u << 20) ? n - copied : (1u << 20)));
    for (uint64_t done = copied; done < n;) {
        const uint64_t want = n - done < chunk.size() ? n - done : chunk.size();
        if (!readAt(from, fromOffset + done, chunk.data(), want) || !writeAt(to, toOffset + done, chunk.data(), want)) {
            return false;
        }
        done += want;
    }
    return true;
}

bool overwriteWith(const OpenFile& from, const OpenFile& to, uint64_t size) {
    return copyBetween(from, 0, to, 0, size) && truncateFile(to, size) && syncFile(to);
}

}  // namespace lumivex::platform
