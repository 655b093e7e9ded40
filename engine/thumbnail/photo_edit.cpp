#include "lumivex/photo_edit.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <new>

#include "engine/diag/diag.h"
#include "engine/exif/exif_segment.h"
#include "engine/jpeg/reader.h"
#include "engine/jpeg/writer.h"
#include "engine/photo/photo_value.h"
#include "engine/platform/file_services.h"
#include "engine/platform/test_pause.h"
#include "engine/thumbnail/keep_all.h"
#include "engine/thumbnail/minimal_exif.h"
#include "engine/thumbnail/section_content.h"
#include "engine/thumbnail/thumbnail_edit.h"
#include "lumivex/photo.h"
#include "lumivex/plan_writer.h"
#include "lumivex/safe_replace.h"
#include "lumivex/thumbnail_file.h"

namespace lumivex {

namespace {

EditResult finished(EditResult result, EditOutcome outcome, std::string message) {
    result.outcome = outcome;
    result.message = std::move(message);
    return result;
}

// The name must still reach the file that was locked, or we would write what another file said.
bool stillNamed(const PhotoFile& photo, EditResult& result) {
    platform::FileStatus now;
    if (!platform::statInFolder(photo.folder, photo.name, now) || now.identity != photo.status.identity ||
        now.size != photo.status.size) {
        result.message = "changed while it was read; left alone";
        return false;
    }
    return true;
}

// Fresh records, the photo opened and locked, and with readList its segments read into the section list (the
// image data stays in the file).
bool loadPhoto(PhotoRecords& records, const EditRequest& request, PhotoFile& photo, EditResult& result, bool forEdit,
               bool readList = true) {
    currentFileName = request.photoPath;
    resetJpegState(records.sectionList);
    clearPhotoInfoForNewFile(records);
    platform::pauseForTest("open-photo");
    std::string why;
    if (!openPhotoForEdit(request.photoPath.c_str(), request.followLinks, photo, why)) {
        result.message = why;
        return false;
    }
    result.sizeBefore = result.sizeAfter = static_cast<uint64_t>(photo.status.size);
    if (forEdit && !platform::canWriteInFolder(photo.folder, photo.name, photo.status)) {
        result.message = "read-only";
        return false;
    }
    if (!readList) return true;
    PhotoInfo& photoInfo = records.photoInfo;
    photoInfo.fileModified = static_cast<int32_t>(photo.status.modifiedSeconds);
    photoInfo.fileSize = static_cast<uint32_t>(photo.status.size);
    std::strncpy(photoInfo.filePath, photo.path.c_str(), sizeof photoInfo.filePath - 1);
    // Read from the file that was opened and locked, not from whatever the name reaches now.
    const int mode = (forEdit ? (LoadAll | LoadImageLater) : LoadMetadata) | LoadForTool;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> stream(platform::streamOf(photo.file, "rb"), std::fclose);
    if (!stream || readSections(records, stream.get(), mode) == 0) {
        freeSections(records);
        result.message = "not a JPEG photo that can be read whole";
        return false;
    }
    photo.imageDataOffset = records.sectionList.imageDataOffset;
    return stillNamed(photo, result);
}

// Edits the segment list in memory; false with the outcome set when nothing is to be written.
bool editInMemory(PhotoRecords& records, const EditRequest& request, const std::vector<uint8_t>& thumbnail,
                  EditResult& result) {
    if (request.command == EditCommand::Delete) {
        std::string why;
        switch (removeKeepingAll(records, &why)) {
            case RemoveResult::Removed:
                result.message = "thumbnail removed";
                return true;
            case RemoveResult::NoThumbnail:
                result = finished(result, EditOutcome::NothingToDo, "no thumbnail; nothing to do");
                return false;
            case RemoveResult::Refused:
                break;
        }
        result = finished(result, EditOutcome::Refused, why);
        return false;
    }
    if (request.minimalExif) {
        // The window's replacement, byte for byte: the minimal block where the thumbnail is not last.
        int swapped = swapThumbnail(records, request.secondPath.c_str());
        if (swapped == ThumbNotReplaceable) {
            buildMinimalExif(records);
            result.route = routeName(ReplaceRoute::MinimalExif);
            swapped = swapThumbnail(records, request.secondPath.c_str());
        } else {
            result.route = routeName(ReplaceRoute::InPlace);
        }
        if (swapped == ThumbTooLarge) {
            const TooLargeFacts& tooLarge = records.lastTooLarge;
            result = finished(result, EditOutcome::Refused,
                              "the new thumbnail is " + std::to_string(tooLarge.newLength - tooLarge.room) +
                                  " bytes too large for the Exif segment");
            return false;
        }
        result.message = "thumbnail replaced";
        return true;
    }
    const ReplacePlan plan = replaceKeepingAll(records, thumbnail);
    result.route = routeName(plan.route);
    if (plan.route == ReplaceRoute::Refused) {
        result = finished(result, EditOutcome::Refused, plan.why);
        return false;
    }
    result.message = "thumbnail replaced";
    return true;
}

// Reads the photo as a value through its locked descriptor and plans the tool's edit over it; false with the
// outcome set when nothing is to be written.
bool planSplices(const EditRequest& request, PhotoFile& photo, const std::vector<uint8_t>& thumbnail,
                 SplicePlan& splices, EditResult& result) {
    Photo value;
    std::string why;
    // From the locked file, whose status was taken after the lock; its name is checked again before the rename.
    const bool read = readPhotoFromOpenFile(photo.file, photo.status, request.photoPath, value, why);
    reportText(value.reports);
    if (!read) {
        result = finished(result, EditOutcome::Failed, "not a JPEG photo that can be read whole (" + why + ")");
        return false;
    }
    photo.imageDataOffset = static_cast<int64_t>(value.segments.imageDataOffset);
    EditPlan plan = request.command == EditCommand::Delete ? planDelete(value) : planReplace(value, thumbnail);
    result.route = plan.route;
    switch (plan.outcome) {
        case EditPlan::Outcome::Planned:
            result.message = request.command == EditCommand::Delete ? "thumbnail removed" : "thumbnail replaced";
            splices = std::move(plan.splices);
            return true;
        case EditPlan::Outcome::NothingToDo:
            result = finished(result, EditOutcome::NothingToDo, plan.why);
            return false;
        case EditPlan::Outcome::Refused:
            break;
    }
    result = finished(result, EditOutcome::Refused, plan.why);
    return false;
}

EditResult exportFromPhoto(const EditRequest& request, EditResult result) {
    PhotoRecords records;
    PhotoFile photo;
    if (!loadPhoto(records, request, photo, result, false)) {
        return finished(result, EditOutcome::Failed, result.message);
    }
    const uint8_t* bytes = nullptr;
    uint32_t length = 0;
    if (!embeddedThumbnail(records, bytes, length)) return finished(result, EditOutcome::NothingToDo, "no thumbnail");
    result.sizeAfter = length;
    // Export makes no backup: writing the thumbnail over the photo itself would lose the photo.
    if (request.secondPath != "-" && platform::sameFile(request.secondPath.c_str(), photo.path.c_str())) {
        return finished(result, EditOutcome::Refused, "will not write the thumbnail over the photo itself");
    }
    if (request.dryRun) return finished(result, EditOutcome::Done, "would write the thumbnail");
    std::string why;
    if (!writeThumbnailFile(bytes, length, request.secondPath.c_str(), request.overwriteOutput, why)) {
        platform::FileStatus existing;
        const bool exists = request.secondPath != "-" && platform::statLink(request.secondPath.c_str(), existing);
        return finished(result, exists && !request.overwriteOutput ? EditOutcome::Refused : EditOutcome::Failed, why);
    }
    return finished(result, EditOutcome::Done, "thumbnail written");
}

EditResult editSafely(const EditRequest& request) {
    EditResult result;
    if (request.command == EditCommand::Export) return exportFromPhoto(request, result);
    std::vector<uint8_t> thumbnail;
    if (request.command == EditCommand::Replace) {
        std::string why;
        const bool ok = request.secondPath.empty() ? checkThumbnailBytes(request.thumbnailBytes, why)
                                                   : readThumbnailFile(request.secondPath.c_str(), thumbnail, why);
        if (!ok) return finished(result, EditOutcome::Refused, why);
        if (request.secondPath.empty()) thumbnail = request.thumbnailBytes;
        if (request.minimalExif && request.secondPath.empty()) {
            return finished(result, EditOutcome::Refused, "the window's replacement takes a thumbnail file");
        }
    }
    // The tool's own edits change the Exif segment alone: every other byte of the file is kept as it is.
    const bool asSplice = !request.minimalExif;
    PhotoRecords records;
    PhotoFile photo;
    if (!loadPhoto(records, request, photo, result, true, !asSplice)) {
        return finished(result, EditOutcome::Failed, result.message);
    }
    // A new file under one name would leave the photo's other names with the old bytes.
    if (photo.status.links > 1 && !request.inPlace) {
        return finished(result, EditOutcome::Refused,
                        "has " + std::to_string(photo.status.links) +
                            " names (hard links) that would keep the old thumbnail; --in-place edits it under every "
                            "name");
    }
    SplicePlan plan;
    if (asSplice && !planSplices(request, photo, thumbnail, plan, result)) return result;
    if (!asSplice && !editInMemory(records, request, thumbnail, result)) return result;
    const std::string cutShort =
        endsWholeImage(photo) ? "" : "; warning: no end of image data: the photo seems cut short";
    if (request.dryRun) {
        result.outcome = EditOutcome::Done;
        result.message = "would be " + std::string(request.command == EditCommand::Delete ? "removed" : "replaced") +
                         (result.route.empty() ? "" : " (" + result.route + ")");
        return result;
    }
    std::string why;
    uint64_t newSize = 0;
    const BackupPolicy policy = request.keepBackup ? BackupPolicy::KeepFirst : BackupPolicy::None;
    NewContentWriter writeContent = [&records](const PhotoFile& source, platform::OpenFile& temp, uint64_t& size,
                                               std::string& why) {
        return writeSectionListContent(records, source, temp, size, why);
    };
    if (asSplice) {
        writeContent = [&plan](const PhotoFile& source, platform::OpenFile& temp, uint64_t& size, std::string& why) {
            return writePlan(source.file, plan, temp, size, why);
        };
    }
    if (!replacePhotoFile(photo, policy, writeContent, why, newSize, request.inPlace)) {
        return finished(result, EditOutcome::Failed, why);
    }
    result.sizeAfter = newSize;
    result.outcome = EditOutcome::Done;
    if (request.keepBackup && photo.backupName != photo.name + ".orig") {
        result.message +=
            "; '" + photo.name + ".orig' is not this photo's earlier version: its backup is '" + photo.backupName + "'";
    }
    result.message += cutShort;
    return result;
}

}  // namespace

const char* outcomeName(EditOutcome outcome) {
    switch (outcome) {
        case EditOutcome::Done:
            return "done";
        case EditOutcome::NothingToDo:
            return "nothing to do";
        case EditOutcome::Refused:
            return "refused";
        case EditOutcome::Failed:
            break;
    }
    return "failed";
}

EditResult editPhoto(const EditRequest& request) {
    return collectedEdit([&request] { return editSafely(request); });
}

EditResult collectedEdit(const std::function<EditResult()>& edit) {
    std::string reports;
    ScopedReportSink collect([&reports](std::string_view text) { reports.append(text); });
    EditResult result;
    try {
        result = edit();
    } catch (const FatalError& error) {
        result.outcome = EditOutcome::Failed;
        result.message = error.message;
    } catch (const std::bad_alloc&) {
        result.outcome = EditOutcome::Failed;
        result.message = "Could not allocate memory";
    } catch (const std::exception& error) {
        result.outcome = EditOutcome::Failed;
        result.message = error.what();
    }
    result.reports = std::move(reports);
    return result;
}

}  // namespace lumivex
