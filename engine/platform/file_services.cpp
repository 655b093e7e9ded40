#include "engine/platform/file_services.h"

namespace lumivex::platform {

// The descriptor held before goes with a temporary, whose destructor (the platform's own) closes it.
OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        const OpenFile previous(release());
        fd_ = other.release();
    }
    return *this;
}

}  // namespace lumivex::platform
