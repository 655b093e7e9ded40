#include "cli/regenerate_command.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

#include "cli/photo_metadata.h"
#include "engine/thumbnail/photo_edit.h"

namespace lumivex::cli {

namespace {

constexpr char kRegenerateUsage[] =
    "Usage: lumivex regenerate [--size WxH] [--quality Q] PHOTO...\n"
    "Make each PHOTO's thumbnail anew from its own pixels, keeping every other Exif field.\n"
    "  --size WxH     the box the thumbnail fits in, keeping the photo's aspect (default 160x120)\n"
    "  --quality Q    JPEG quality 1 to 100 (default 85); lower in steps of 5 only when it must to fit\n";

constexpr int kQualityStep = 5;
constexpr int kLowestQuality = 5;
constexpr int kMaxBoxSide = 1024;

// The edit reads the new thumbnail from EditRequest.thumbnailBytes once the engine takes bytes directly;
// until then the bytes also go to a temporary file named in secondPath, removed when the edit is over.
constexpr bool kEditTakesThumbnailBytes = false;

class TemporaryThumbnailFile {
  public:
    explicit TemporaryThumbnailFile(const std::vector<uint8_t>& bytes) {
        std::error_code ec;
        const std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
        if (ec) return;
        std::random_device random;
        const std::string name = "lumivex-thumbnail-" + std::to_string(random()) + std::to_string(random()) + ".jpg";
        const std::string path = (folder / name).string();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return;
        const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (std::fclose(file) == 0 && written) {
            path_ = path;
        } else {
            std::remove(path.c_str());
        }
    }
    ~TemporaryThumbnailFile() {
        if (!path_.empty()) std::remove(path_.c_str());
    }
    TemporaryThumbnailFile(const TemporaryThumbnailFile&) = delete;
    TemporaryThumbnailFile& operator=(const TemporaryThumbnailFile&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;  // empty when the file could not be written
};

bool parseInt(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 6) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    *value = v;
    return true;
}

int usage(const std::string& problem) {
    std::fprintf(stderr, "lumivex: %s\nTry 'lumivex --help' for more information.\n", problem.c_str());
    return 2;
}

}  // namespace

bool parseBoxSize(const std::string& text, int* width, int* height) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return parseInt(text.substr(0, x), 1, kMaxBoxSide, width) && parseInt(text.substr(x + 1), 1, kMaxBoxSide, height);
}

NewThumbnail makeThumbnail(const std::string& photoPath, const RegenerateOptions& options, uint64_t room) {
    NewThumbnail out;
    // Decoding at no less than the box keeps enough detail for any photo's fit inside it.
    const imaging::DecodedImage decoded = imaging::decodeJpegFileScaled(photoPath, options.boxWidth, options.boxHeight);
    if (!decoded.ok()) {
        out.error = decoded.error;
        return out;
    }
    const imaging::Size fit =
        imaging::fitInBox(decoded.sourceWidth, decoded.sourceHeight, options.boxWidth, options.boxHeight);
    out.image = imaging::resizeArea(decoded.image, fit.width, fit.height);
    for (int quality = options.quality; quality >= kLowestQuality; quality -= kQualityStep) {
        imaging::EncodedJpeg encoded = imaging::encodeBaselineJpeg(out.image, quality);
        if (!encoded.ok()) {
            out.error = encoded.error;
            return out;
        }
        if (encoded.bytes.size() <= room) {
            out.jpeg = std::move(encoded.bytes);
            out.quality = quality;
            return out;
        }
    }
    out.error = "even at quality " + std::to_string(kLowestQuality) + " the thumbnail does not fit in the " +
                std::to_string(room) + " bytes left in the Exif segment";
    return out;
}

RegenerateResult regeneratePhoto(const std::string& photoPath, const RegenerateOptions& options) {
    RegenerateResult result;
    const PhotoMetadata meta = readPhotoMetadata(photoPath);
    result.reports = meta.reports;
    if (!meta.ok()) {
        result.message = meta.error;
        return result;
    }
    const NewThumbnail thumbnail = makeThumbnail(photoPath, options, meta.thumbnailRoom);
    if (!thumbnail.error.empty()) {
        result.message = thumbnail.error;
        return result;
    }
    EditRequest request;
    request.command = EditCommand::Replace;
    request.photoPath = photoPath;
    request.thumbnailBytes = thumbnail.jpeg;
    std::optional<TemporaryThumbnailFile> file;
    if (!kEditTakesThumbnailBytes) {
        file.emplace(thumbnail.jpeg);
        if (file->path().empty()) {
            result.message = "cannot write the new thumbnail to a temporary file";
            return result;
        }
        request.secondPath = file->path();
    }
    const EditResult edit = editPhoto(request);
    result.reports += edit.reports;
    result.ok = edit.outcome == EditOutcome::Done;
    if (result.ok) {
        result.message = "new thumbnail " + std::to_string(thumbnail.image.width) + "x" +
                         std::to_string(thumbnail.image.height) + ", " + std::to_string(thumbnail.jpeg.size()) +
                         " bytes, quality " + std::to_string(thumbnail.quality);
    } else {
        result.message = edit.message.empty()
                             ? std::string("the photo was not changed (") + outcomeName(edit.outcome) + ")"
                             : edit.message;
    }
    return result;
}

int regenerateMain(const std::vector<std::string>& args) {
    RegenerateOptions options;
    std::vector<std::string> photos;
    bool optionsDone = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsDone || arg.empty() || arg[0] != '-' || arg == "-") {
            photos.push_back(arg);
        } else if (arg == "--") {
            optionsDone = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kRegenerateUsage, stdout);
            return 0;
        } else if (arg == "--size" || arg == "--quality") {
            if (i + 1 == args.size()) return usage(arg + " takes a value");
            const std::string& value = args[++i];
            const bool good = arg == "--size" ? parseBoxSize(value, &options.boxWidth, &options.boxHeight)
                                              : parseInt(value, 1, 100, &options.quality);
            if (!good) {
                return usage(arg == "--size" ? "--size takes WxH, each side 1 to 1024"
                                             : "--quality takes a number from 1 to 100");
            }
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (photos.empty()) return usage("regenerate takes at least one PHOTO");
    int status = 0;
    for (const std::string& photo : photos) {
        const RegenerateResult result = regeneratePhoto(photo, options);
        std::fputs(result.reports.c_str(), stderr);
        if (result.ok) {
            std::printf("%s: %s\n", photo.c_str(), result.message.c_str());
        } else {
            std::fprintf(stderr, "lumivex: %s: %s\n", photo.c_str(), result.message.c_str());
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}

}  // namespace lumivex::cli
