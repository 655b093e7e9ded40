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
#include <new>

#include "cli/check_command.h"
#include "cli/embedded_previews.h"
#include "cli/photo_bytes.h"
#include "cli/photo_metadata.h"
#include "cli/preview_check.h"
#include "cli/preview_commands.h"
#include "cli/regenerate_command.h"
#include "cli/result_output.h"
#include "lumivex/driver_messages.h"
#include "lumivex/lumivex.h"
#include "lumivex/photo.h"
#include "lumivex/photo_edit.h"
#include "lumivex/photo_report.h"
#include "lumivex/preview.h"
#include "lumivex/previews.h"
#include "lumivex/report_sink.h"
#include "lumivex/segment_map.h"
#include "lumivex/splice.h"
#include "lumivex/thumbnail_file.h"

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

// The library follows a link the caller names, as the window does: the caller chose the path.
Outcome readFactsOf(const std::string& path, PhotoFacts& facts) {
    routeDriverMessages();
    const cli::PhotoBytes photo = cli::readPhotoBytes(path, true);
    if (!photo.ok()) return failed(LVX_E_FAILED, photo.error);
    const cli::PhotoMetadata meta = cli::readPhotoMetadata(path, photo);
    if (!meta.ok()) return failed(LVX_E_FAILED, meta.error);
    const PhotoInfo& info = meta.facts;
    facts.make = trimmed(info.cameraMake, sizeof info.cameraMake);
    facts.model = trimmed(info.cameraModel, sizeof info.cameraModel);
    facts.dateTimeOriginal = std::string(info.dateTime, strnlen(info.dateTime, sizeof info.dateTime));
    facts.orientation = info.orientation;
    facts.width = meta.width;
    facts.height = meta.height;
    facts.size = photo.bytes.size();
    facts.thumbnail = meta.thumbnail;
    const cli::PhotoPreviews previews = cli::previewsOfBytes(photo.bytes);
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

// How messages name a photo the caller handed over as bytes.
const std::string kUnnamed = "the photo";

bool within(std::span<const uint8_t> file, uint64_t offset, uint64_t length) {
    return offset <= file.size() && length <= file.size() - offset;
}

// What reading the photo's segments says of bytes that are not a photo, as the tool's reading of a file does.
std::string whyUnreadable(std::span<const uint8_t> file) {
    ScopedReportSink quiet([](std::string_view) {});
    try {
        if (!readPhotoReportFromBytes(file, kUnnamed, file.size(), 0)) return "cannot read the photo's JPEG segments";
    } catch (const FatalError& error) {
        return error.message;
    }
    return "cannot read the photo's JPEG segments";
}

// An end marker near the end, past the head: cameras pad or append a trailer, a cut-short photo has none.
bool endsWholeImage(std::span<const uint8_t> file, uint64_t imageDataOffset) {
    if (imageDataOffset >= file.size()) return false;
    const uint64_t span = std::min<uint64_t>(file.size() - imageDataOffset, 65536);
    for (uint64_t i = file.size() - 1; i > file.size() - span; --i) {
        if (file[i - 1] == 0xFF && file[i] == 0xD9) return true;
    }
    return false;
}

// The planned file straight into the caller's buffer of plannedSize bytes: one pass over the photo.
void writeInto(std::span<const uint8_t> source, const SplicePlan& plan, uint8_t* to) {
    uint64_t from = 0;
    for (const Splice& splice : plan.splices) {
        to = std::copy(source.begin() + static_cast<std::ptrdiff_t>(from),
                       source.begin() + static_cast<std::ptrdiff_t>(splice.offset), to);
        to = std::copy(splice.bytes.begin(), splice.bytes.end(), to);
        from = splice.end();
    }
    std::copy(source.begin() + static_cast<std::ptrdiff_t>(from), source.end(), to);
}

// The tool's replace or delete over the photo as a value; splices set when there is something to write.
EditResult planEdit(std::span<const uint8_t> file, const EditOptions& options, SplicePlan& splices) {
    EditResult result;
    result.sizeBefore = result.sizeAfter = file.size();
    const bool remove = options.edit == Edit::Delete;
    std::string why;
    if (!remove && !checkThumbnailBytes(options.thumbnail, why)) {
        result.outcome = EditOutcome::Refused;
        result.message = why;
        return result;
    }
    Photo photo;
    const bool read = readPhoto(file, kUnnamed, photo, why);
    reportText(photo.reports);
    if (!read) {
        result.message = "not a JPEG photo that can be read whole (" + why + ")";
        return result;
    }
    EditPlan plan = remove ? planDelete(photo) : planReplace(photo, options.thumbnail);
    result.route = plan.route;
    result.message = plan.why;
    if (plan.outcome == EditPlan::Outcome::NothingToDo) result.outcome = EditOutcome::NothingToDo;
    if (plan.outcome == EditPlan::Outcome::Refused) result.outcome = EditOutcome::Refused;
    if (plan.outcome != EditPlan::Outcome::Planned) return result;
    result.outcome = EditOutcome::Done;
    result.message = remove ? "thumbnail removed" : "thumbnail replaced";
    if (!endsWholeImage(file, photo.segments.imageDataOffset)) {
        result.message += "; warning: no end of image data: the photo seems cut short";
    }
    splices = std::move(plan.splices);
    return result;
}

Outcome planInMemory(std::span<const uint8_t> file, const EditOptions& options, PlannedEdit& planned) {
    routeDriverMessages();
    const EditResult result = collectedEdit([&] { return planEdit(file, options, planned.splices); });
    Outcome outcome = fromEdit(result);
    if (outcome.code != 0) return outcome;
    planned.sourceSize = file.size();
    planned.size = file.size();
    if (result.outcome != EditOutcome::Done) {
        planned.splices = {};  // nothing to do: the photo as it came
        return outcome;
    }
    std::string why;
    if (planned.splices.sourceSize != file.size() || !planIsValid(planned.splices, why)) {
        return failed(LVX_E_FAILED, "the edited photo cannot be made");
    }
    planned.size = plannedSize(planned.splices);
    return outcome;
}

}  // namespace

Outcome planBytes(std::span<const uint8_t> photo, const EditOptions& options, PlannedEdit& planned) {
    planned = PlannedEdit{};
    if (options.edit == Edit::Regenerate) return failed(LVX_E_ARGUMENT, "regenerate is not planned on bytes");
    planned.outcome = planInMemory(photo, options, planned);
    return planned.outcome;
}

bool writePlanned(std::span<const uint8_t> photo, const PlannedEdit& planned, std::span<uint8_t> out) {
    if (planned.outcome.code != 0 || photo.size() != planned.sourceSize || out.size() < planned.size) return false;
    writeInto(photo, planned.splices, out.data());
    return true;
}

namespace {

Outcome editInMemory(std::span<const uint8_t> file, const EditOptions& options, MallocBytes& out) {
    PlannedEdit planned;
    const Outcome outcome = planBytes(file, options, planned);
    if (outcome.code != 0) return outcome;
    out.data = static_cast<uint8_t*>(std::malloc(planned.size == 0 ? 1 : planned.size));
    if (out.data == nullptr) return failed(LVX_E_MEMORY, "Could not allocate memory");
    out.size = static_cast<size_t>(planned.size);
    writePlanned(file, planned, {out.data, out.size});
    return outcome;
}

}  // namespace

void routeDriverMessages() {
    static std::once_flag once;
    std::call_once(once, [] { setDriverMessageSink([](const char* text) { reportLine(text); }); });
}

Outcome readFacts(const std::string& path, PhotoFacts& facts) { return readFactsOf(path, facts); }

Outcome readFacts(std::span<const uint8_t> file, PhotoFacts& facts) {
    routeDriverMessages();
    Photo photo;
    std::string why;
    if (!readPhoto(file, kUnnamed, photo, why)) return failed(LVX_E_FAILED, whyUnreadable(file));
    facts.make = trimmed(photo.info.cameraMake, sizeof photo.info.cameraMake);
    facts.model = trimmed(photo.info.cameraModel, sizeof photo.info.cameraModel);
    facts.dateTimeOriginal = std::string(photo.info.dateTime, strnlen(photo.info.dateTime, sizeof photo.info.dateTime));
    facts.orientation = photo.info.orientation;
    facts.width = photo.info.width;
    facts.height = photo.info.height;
    facts.size = file.size();
    // The finders locate the Exif thumbnail even where the photo carries more than one Exif segment.
    for (const previews::FoundPreview& found : previews::findPreviews(file, photo.segments).found) {
        const PreviewCopy& copy = found.copy;
        if (copy.kind == PreviewKind::Exif && copy.format == "jpeg" && facts.thumbnail.empty() &&
            within(file, copy.offset, copy.length)) {
            facts.thumbnail.assign(file.begin() + static_cast<std::ptrdiff_t>(copy.offset),
                                   file.begin() + static_cast<std::ptrdiff_t>(copy.offset + copy.length));
        }
        facts.copies.push_back(copyFactsOf(copy));
    }
    std::stable_partition(facts.copies.begin(), facts.copies.end(),
                          [](const CopyFacts& copy) { return copy.kind == "exif"; });
    Outcome outcome;
    outcome.outcome = "done";
    return outcome;
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
        // Every copy of the picture that can be rebuilt, as the tool's regenerate does.
        return fromEdit(cli::regenerateWithPreviews(path, regenerate, {}));
    }
    EditRequest request;
    request.command = options.edit == Edit::Replace ? EditCommand::Replace : EditCommand::Delete;
    request.photoPath = path;
    request.followLinks = true;  // the caller named this path, as a photo named on the tool's command line
    request.thumbnailBytes.assign(options.thumbnail.begin(), options.thumbnail.end());
    request.keepBackup = options.keepBackup;
    request.dryRun = options.dryRun;
    return fromEdit(editPhoto(request));
}

Outcome editBytes(std::span<const uint8_t> photo, const EditOptions& options, MallocBytes& out) {
    if (options.edit != Edit::Regenerate) return editInMemory(photo, options, out);
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

namespace {

Outcome checkedValue(const cli::CheckResult& checked, CheckValue& value) {
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

}  // namespace

Outcome checkPath(const std::string& path, CheckValue& value) {
    routeDriverMessages();
    return checkedValue(cli::checkPhoto(path, true), value);
}

Outcome checkBytes(std::span<const uint8_t> photo, CheckValue& value) {
    routeDriverMessages();
    return checkedValue(cli::checkPhotoBytes(kUnnamed, cli::photoBytesInMemory(photo)), value);
}

}  // namespace lumivex::lib
