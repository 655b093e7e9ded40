#include "lumivex/thumbnail_file.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/platform/file_names.h"
#include "engine/platform/file_services.h"
#include "engine/platform/temp_files.h"

namespace lumivex {

namespace {

struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Stream = std::unique_ptr<std::FILE, StreamCloser>;

bool writeAll(std::FILE* out, const uint8_t* bytes, uint64_t length) {
    return (length == 0 || std::fwrite(bytes, 1, static_cast<size_t>(length), out) == length) && std::fflush(out) == 0;
}

std::string quoted(const char* path) { return std::string("'") + path + "'"; }

}  // namespace

bool checkThumbnailBytes(std::span<const uint8_t> bytes, std::string& why) {
    if (bytes.empty()) {
        why = "the new thumbnail is empty";
        return false;
    }
    if (bytes.size() < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        why = "the new thumbnail is not a JPEG image (it does not begin with FF D8)";
        return false;
    }
    // From the back: a whole JPEG image ends with its end marker, so the search stops at once.
    for (size_t i = bytes.size() - 1; i >= 3; --i) {
        if (bytes[i] == 0xD9 && bytes[i - 1] == 0xFF) return true;
    }
    why = "the new thumbnail is not a whole JPEG image (it has no end marker FF D9)";
    return false;
}

bool readThumbnailFile(const char* path, std::vector<uint8_t>& bytes, std::string& why) {
    std::string target;
    if (!platform::resolvePath(path, target)) {
        why = "Cannot find the new thumbnail " + quoted(path);
        return false;
    }
    platform::OpenFile file = platform::openForReading(target.c_str());
    platform::FileStatus status;
    if (!file.isOpen() || !platform::statOpenFile(file, status)) {
        why = "Cannot open the new thumbnail " + quoted(path);
        return false;
    }
    if (!status.isRegular) {
        why = "The new thumbnail " + quoted(path) + " is not a regular file";
        return false;
    }
    if (static_cast<uint64_t>(status.size) > kMaxThumbnailFileBytes) {
        why = "The new thumbnail " + quoted(path) + " has " + std::to_string(status.size) +
              " bytes; an Exif segment holds at most 65533";
        return false;
    }
    bytes.resize(static_cast<size_t>(status.size));
    Stream in(platform::streamOf(file, "rb"));
    if (!in || (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), in.get()) != bytes.size())) {
        why = "Could not read the new thumbnail " + quoted(path);
        return false;
    }
    if (!checkThumbnailBytes(bytes, why)) {
        why = "Refused " + quoted(path) + ": " + why;
        return false;
    }
    return true;
}

bool writeOutputFile(const char* path, const uint8_t* bytes, uint64_t length, bool replace, std::string& why) {
    platform::FileStatus existing;
    if (platform::statLink(path, existing)) {
        if (!replace) {
            why = quoted(path) + " exists; it was not overwritten (--force replaces it)";
            return false;
        }
        if (existing.isDirectory) {
            why = quoted(path) + " is a folder";
            return false;
        }
        // A FIFO or a device is no file to replace, and writing into one could wait for ever or reach a disk.
        if (!existing.isRegular && !existing.isLink) {
            why = quoted(path) + " is not a regular file; only a file or a link is replaced";
            return false;
        }
    }
    const std::string temp = platform::temporaryPathBeside(path);
    platform::OpenFile created = platform::createExclusive(temp.c_str(), 0666);
    if (!created.isOpen()) {
        why = "Could not create a temporary file beside " + quoted(path);
        return false;
    }
    platform::rememberTempFile(temp.c_str());
    Stream out(platform::streamOf(created, "wb"));
    bool ok = out && writeAll(out.get(), bytes, length);
    ok = out && std::fclose(out.release()) == 0 && ok;
    ok = ok && platform::syncFile(created);
    created = platform::OpenFile();
    // The rename replaces a link itself, never the file it points to.
    if (ok && platform::renameOver(temp.c_str(), path)) return true;
    platform::removeFile(temp.c_str());
    why = "Could not write " + quoted(path);
    return false;
}

bool writeThumbnailFile(const uint8_t* bytes, uint64_t length, const char* outPath, bool overwrite, std::string& why) {
    if (std::strcmp(outPath, "-") == 0) {
        platform::useBinaryStdout();
        if (writeAll(stdout, bytes, length)) return true;
        why = "Could not write the thumbnail to standard output";
        return false;
    }
    return writeOutputFile(outPath, bytes, length, overwrite, why);
}

}  // namespace lumivex
