#include "lib/engine_bridge.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "cli/check_command.h"
#include "cli/embedded_previews.h"
#include "cli/photo_metadata.h"
#include "cli/preview_check.h"
#include "cli/regenerate_command.h"
#include "cli/result_output.h"
#include "engine/diag/diag.h"
#include "engine/exif/photo_info.h"
#include "engine/previews/previews.h"
#include "engine/thumbnail/driver_messages.h"
#include "engine/thumbnail/photo_edit.h"
#include "lumivex/lumivex.h"
#include "lumivex/preview.h"
#include "lumivex/segment_map.h"

namespace lumivex::lib {

namespace {

Outcome failed(int code, std::string message) {
    Outcome outcome;
    outcome.code = code;
    outcome.outcome = code == LVX_E_REFUSED ? "refused" : "failed";
    outcome.message = std::move(message);
    return outcome;
}

CopyFacts copyFactsOf(const PreviewCopy& copy) {
    const std::string kind = previewKindName(copy.kind);
    return {kind, copy.note.empty() ? kind : copy.note, copy.offset, copy.length};
}

// A private folder for one photo in memory, removed with everything in it at the end of the call. Memory
// backed (/dev/shm) where there is one, so that the engine's sync costs nothing.
class ScratchFolder {
  public:
    ScratchFolder() {
        const char* bases[] = {"/dev/shm", std::getenv("TMPDIR"), "/tmp"};
        for (const char* base : bases) {
            if (base == nullptr || *base == '\0') continue;
            std::string pattern = std::string(base) + "/lumivex-XXXXXX";
            if (mkdtemp(pattern.data()) != nullptr) {
                folder_ = pattern;
                return;
            }
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    bool ok() const { return !folder_.empty(); }
    std::string path(const char* name) const { return folder_ + "/" + name; }

  private:
    std::string folder_;
};

// The caller of a call on bytes never saw the scratch file: messages name "the photo" instead.
Outcome unnamed(Outcome outcome, const std::string& path) {
    for (size_t at; (at = outcome.message.find(path)) != std::string::npos;) {
        outcome.message.replace(at, path.size(), "the photo");
    }
    return outcome;
}

bool writeFile(const std::string& path, std::span<const uint8_t> bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return ::close(fd) == 0 && done == bytes.size();
}

// The whole file straight into the caller's buffer: no zero fill and no second copy of a large photo.
bool readWhole(const std::string& path, MallocBytes& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size < 0) return ::close(fd), false;
    const size_t want = static_cast<size_t>(info.st_size);
    out.data = static_cast<uint8_t*>(std::malloc(want == 0 ? 1 : want));
    if (out.data == nullptr) return ::close(fd), false;
    size_t done = 0;
    while (done < want) {
        const ssize_t n = ::read(fd, out.data + done, want - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    out.size = done;
    return done == want;
}

// Cameras pad Exif text fields with blanks to a fixed length.
std::string trimmed(const char* text, size_t room) {
    std::string value(text, strnlen(text, room));
    while (!value.empty() && (value.back() == ' ' || value.back() == '\0')) value.pop_back();
    return value;
}

Outcome readFactsOf(const std::string& path, uint64_t fileSize, PhotoFacts& facts) {
    routeDriverMessages();
    const cli::PhotoMetadata meta = cli::readPhotoMetadata(path);
    if (!meta.ok()) return failed(LVX_E_FAILED, meta.error);
    // The engine's record of the photo this thread read last: the one just read.
    facts.make = trimmed(photoInfo.cameraMake, sizeof photoInfo.cameraMake);
    facts.model = trimmed(photoInfo.cameraModel, sizeof photoInfo.cameraModel);
    facts.dateTimeOriginal = std::string(photoInfo.dateTime, strnlen(photoInfo.dateTime, sizeof photoInfo.dateTime));
    facts.orientation = photoInfo.orientation;
    facts.width = meta.width;
    facts.height = meta.height;
    facts.size = fileSize;
    facts.thumbnail = meta.thumbnail;
    const cli::PhotoPreviews previews = cli::readPhotoPreviews(path);
    for (const previews::FoundPreview& found : previews.scan.found) facts.copies.push_back(copyFactsOf(found.copy));
    // The Exif thumbnail first, then the others in file order.
    std::stable_partition(facts.copies.begin(), facts.copies.end(),
                          [](const CopyFacts& copy) { return copy.kind == "exif"; });
    Outcome outcome;
    outcome.outcome = "done";
    return outcome;
}

Outcome fromEdit(const EditResult& edit) {
    Outcome outcome;
    outcome.outcome = outcomeName(edit.outcome);
    outcome.route = edit.route;
    outcome.message = edit.message.empty() ? cli::messageFromReports(edit.reports) : edit.message;
    switch (edit.outcome) {
        case EditOutcome::Done:
            outcome.changed = true;
            break;
        case EditOutcome::NothingToDo:
            break;
        case EditOutcome::Refused:
            outcome.code = LVX_E_REFUSED;
            break;
        case EditOutcome::Failed:
            outcome.code = LVX_E_FAILED;
            break;
    }
    if (outcome.code != 0 && outcome.message.empty()) outcome.message = "not carried out";
    return outcome;
}

}  // namespace

void routeDriverMessages() {
    static std::once_flag once;
    std::call_once(once, [] { setDriverMessageSink([](const char* text) { reportLine(text); }); });
}

Outcome readFacts(const std::string& path, PhotoFacts& facts) {
    std::error_code error;
    const uint64_t size = std::filesystem::file_size(path, error);
    if (error) return failed(LVX_E_FAILED, "cannot read " + path + ": " + error.message());
    return readFactsOf(path, size, facts);
}

Outcome readFacts(std::span<const uint8_t> photo, PhotoFacts& facts) {
    ScratchFolder scratch;
    const std::string path = scratch.path("photo.jpg");
    if (!scratch.ok() || !writeFile(path, photo)) return failed(LVX_E_FAILED, "no room for a temporary copy");
    return unnamed(readFactsOf(path, photo.size(), facts), path);
}

Outcome editPath(const std::string& path, const EditOptions& options) {
    routeDriverMessages();
    if (options.edit == Edit::Regenerate) {
        cli::RegenerateOptions regenerate;
        regenerate.boxWidth = options.boxWidth;
        regenerate.boxHeight = options.boxHeight;
        regenerate.quality = options.quality;
        regenerate.keepBackup = options.keepBackup;
        regenerate.dryRun = options.dryRun;
        const cli::RegenerateResult made = cli::regeneratePhoto(path, regenerate);
        if (!made.ok) return failed(LVX_E_FAILED, made.message);
        Outcome outcome;
        outcome.outcome = "done";
        outcome.changed = true;
        outcome.route = made.route;
        outcome.message = made.message;
        return outcome;
    }
    EditRequest request;
    request.command = options.edit == Edit::Replace ? EditCommand::Replace : EditCommand::Delete;
    request.photoPath = path;
    request.thumbnailBytes.assign(options.thumbnail.begin(), options.thumbnail.end());
    request.keepBackup = options.keepBackup;
    request.dryRun = options.dryRun;
    return fromEdit(editPhoto(request));
}

Outcome editBytes(std::span<const uint8_t> photo, const EditOptions& options, MallocBytes& out) {
    ScratchFolder scratch;
    const std::string path = scratch.path("photo.jpg");
    if (!scratch.ok() || !writeFile(path, photo)) return failed(LVX_E_FAILED, "no room for a temporary copy");
    EditOptions inMemory = options;
    inMemory.keepBackup = false;  // the caller keeps the original bytes
    inMemory.dryRun = false;
    Outcome outcome = unnamed(editPath(path, inMemory), path);
    if (outcome.code != 0) return outcome;
    if (!readWhole(path, out)) return failed(LVX_E_FAILED, "the edited photo cannot be read back");
    return outcome;
}

Outcome checkPath(const std::string& path, CheckValue& value) {
    routeDriverMessages();
    const cli::CheckResult checked = cli::checkPhoto(path);
    if (checked.verdict == "error") return failed(LVX_E_FAILED, checked.reason);
    value.verdict = checked.verdict;
    value.reason = checked.reason;
    value.hasScore = checked.score.has_value();
    value.score = checked.score.value_or(0);
    const auto add = [&value](const cli::CopyVerdict& copy) {
        value.copies.push_back(
            {copyFactsOf(copy.copy), copy.verdict, copy.reason, copy.score.has_value(), copy.score.value_or(0)});
    };
    if (checked.exif) add(*checked.exif);
    for (const cli::CopyVerdict& copy : checked.copies) add(copy);
    Outcome outcome;
    outcome.outcome = checked.verdict;
    outcome.message = checked.reason;
    return outcome;
}

Outcome checkBytes(std::span<const uint8_t> photo, CheckValue& value) {
    ScratchFolder scratch;
    const std::string path = scratch.path("photo.jpg");
    if (!scratch.ok() || !writeFile(path, photo)) return failed(LVX_E_FAILED, "no room for a temporary copy");
    return unnamed(checkPath(path, value), path);
}

}  // namespace lumivex::lib
