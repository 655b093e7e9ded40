#include "cli/photo_bytes.h"

#include <cstdio>
#include <memory>

#include "lumivex/photo_head.h"
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

PhotoBytes readPhotoBytes(const std::string& path, bool followLinks, PhotoReach reach) {
    platform::FileStatus named;
    if (!platform::statFile(path.c_str(), named)) return failed("Cannot find '" + path + "'");
    // Following a link: the file it names is opened, still without following any link that replaces it later.
    std::string target = path;
    if (followLinks && !platform::resolvePath(path.c_str(), target)) return failed("Cannot find '" + path + "'");
    PhotoBytes out;
    out.file = platform::openForReading(target.c_str());
    if (!out.file.isOpen()) {
        platform::FileStatus link;
        const bool isLink = platform::statLink(path.c_str(), link) && link.isLink;
        return failed(isLink ? "Refused '" + path + "': a symbolic link (links are followed only with --follow)"
                             : "can't open '" + path + "'");
    }
    if (!platform::statOpenFile(out.file, out.status)) return failed("can't open '" + path + "'");
    if (!out.status.isRegular) return failed("Refused '" + path + "': not a regular file");
    const uint64_t size = static_cast<uint64_t>(out.status.size);
    if (reach == PhotoReach::Head) {
        // What the walk read stays, complete or not: the reader then says why it is not a photo.
        PhotoHead head;
        std::string why;
        readPhotoHead(out.file, size, head, why);
        out.bytes = std::move(head.bytes);
        out.whole = out.bytes.size() == size;
        return out;
    }
    if (size > kMaxPhotoBytes) return failed("Refused '" + path + "': the file is too large to be a photo");
    // One allocation of the file's size: growing a vector as it is read would hold twice the file at its peak.
    out.bytes.resize(static_cast<size_t>(size));
    if (!platform::readAt(out.file, 0, out.bytes.data(), size)) return failed("can't read '" + path + "'");
    return out;
}

PhotoBytes photoBytesInMemory(std::span<const uint8_t> bytes) {
    PhotoBytes out;
    out.bytes.assign(bytes.begin(), bytes.end());
    out.status.size = static_cast<int64_t>(bytes.size());
    out.status.isRegular = true;
    return out;
}

bool readPhotoRange(const PhotoBytes& photo, uint64_t offset, uint64_t n, std::vector<uint8_t>& out) {
    const uint64_t size = static_cast<uint64_t>(photo.status.size);
    if (offset > size || n > size - offset || n > kMaxPhotoBytes) return false;
    if (offset <= photo.bytes.size() && n <= photo.bytes.size() - offset) {
        out.assign(photo.bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                   photo.bytes.begin() + static_cast<std::ptrdiff_t>(offset + n));
        return true;
    }
    out.resize(static_cast<size_t>(n));
    return photo.file.isOpen() && platform::readAt(photo.file, offset, out.data(), n);
}

imaging::DecodedImage decodePicture(const PhotoBytes& photo, int minWidth, int minHeight) {
    if (photo.whole) return imaging::decodeJpegScaled(photo.bytes, minWidth, minHeight);
    imaging::DecodedImage out;
    std::vector<char> buffer(size_t{1} << 16);  // outlives the stream
    std::unique_ptr<std::FILE, StreamCloser> in(photo.file.isOpen() ? platform::streamOf(photo.file, "rb") : nullptr);
    // Large reads: the decoder asks for the image data a few kilobytes at a time.
    if (!in || std::setvbuf(in.get(), buffer.data(), _IOFBF, buffer.size()) != 0 ||
        std::fseek(in.get(), 0, SEEK_SET) != 0) {
        out.error = "the photo could not be read again";
        return out;
    }
    return imaging::decodeJpegStreamScaled(in.get(), minWidth, minHeight);
}

std::optional<PhotoReport> loadPhotoMetadata(const std::string& path, const PhotoBytes& photo) {
    if (!photo.ok()) {
        reportLine(photo.error);
        return std::nullopt;
    }
    return readPhotoReportFromBytes(photo.bytes, path, static_cast<uint64_t>(photo.status.size),
                                    photo.status.modifiedSeconds);
}

}  // namespace lumivex::cli
