#include "cli/photo_bytes.h"

#include <cstdio>
#include <memory>

#include "lumivex/report_sink.h"

namespace lumivex::cli {

namespace {

constexpr uint64_t kMaxPhotoBytes = uint64_t{1} << 31;  // beyond this a file is not a photo to hold whole

struct StreamCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

PhotoBytes failed(std::string why) {
    PhotoBytes out;
    out.error = std::move(why);
    return out;
}

}  // namespace

PhotoBytes readPhotoBytes(const std::string& path, bool followLinks) {
    platform::FileStatus named;
    if (!platform::statFile(path.c_str(), named)) return failed("Cannot find '" + path + "'");
    // Following a link: the file it names is opened, still without following any link that replaces it later.
    std::string target = path;
    if (followLinks && !platform::resolvePath(path.c_str(), target)) return failed("Cannot find '" + path + "'");
    const platform::OpenFile file = platform::openForReading(target.c_str());
    if (!file.isOpen()) {
        platform::FileStatus link;
        const bool isLink = platform::statLink(path.c_str(), link) && link.isLink;
        return failed(isLink ? "Refused '" + path + "': a symbolic link (links are followed only with --follow)"
                             : "can't open '" + path + "'");
    }
    PhotoBytes out;
    if (!platform::statOpenFile(file, out.status)) return failed("can't open '" + path + "'");
    if (!out.status.isRegular) return failed("Refused '" + path + "': not a regular file");
    if (static_cast<uint64_t>(out.status.size) > kMaxPhotoBytes) {
        return failed("Refused '" + path + "': the file is too large to be a photo");
    }
    std::unique_ptr<std::FILE, StreamCloser> in(platform::streamOf(file, "rb"));
    // One allocation of the file's size: growing a vector as it is read would hold twice the file at its peak.
    out.bytes.resize(static_cast<size_t>(out.status.size));
    if (!in || std::fseek(in.get(), 0, SEEK_SET) != 0 ||
        std::fread(out.bytes.data(), 1, out.bytes.size(), in.get()) != out.bytes.size()) {
        return failed("can't read '" + path + "'");
    }
    return out;
}

std::optional<PhotoReport> loadPhotoMetadata(const std::string& path, const PhotoBytes& photo) {
    if (!photo.ok()) {
        reportLine(photo.error);
        return std::nullopt;
    }
    return readPhotoReportFromBytes(photo.bytes, path, photo.status.modifiedSeconds);
}

}  // namespace lumivex::cli
