#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "imaging/regular_file.h"

namespace lumivex::imaging {

std::FILE* openRegularFile(const std::string& path, std::string& error) {
    // Non-blocking, so that opening a FIFO returns at once.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = "'" + path + "' is not a regular file";
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        ::close(fd);
    }
    return file;
}

}  // namespace lumivex::imaging
