#include "engine/thumbnail/file_operation.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "engine/diag/diag.h"
#include "engine/exif/exif_segment.h"
#include "engine/jpeg/reader.h"
#include "engine/platform/file_services.h"
#include "engine/thumbnail/minimal_exif.h"
#include "engine/thumbnail/section_content.h"
#include "engine/thumbnail/thumbnail_edit.h"
#include "lumivex/driver_messages.h"
#include "lumivex/safe_replace.h"
#include "lumivex/thumbnail_file.h"

namespace lumivex {

namespace {

void reportTooLarge(const TooLargeFacts& tooLarge) {
    reportLine("New thumbnail has " + std::to_string(tooLarge.newLength) + " bytes; at most " +
               std::to_string(tooLarge.room) + " bytes fit in the Exif segment");
}

// A removal must leave a segment in which no thumbnail is found any more: where a hostile block makes the
// zeroed bytes or the cleared length read as another thumbnail, nothing is written. The photo's records are
// kept as read: the check parses a copy of them.
bool thumbnailGoneFromEditedSegment(PhotoRecords& records) {
    JpegSection* segment = findSection(records.sectionList, kMarkerApp1);
    if (segment == nullptr) return true;
    ExifRecords check = records;
    check.photoInfo.thumbOffset = 0;
    check.photoInfo.thumbLength = 0;
    ScopedReportSink quiet([](std::string_view) {});
    parseExifSegment(check, segment->data.get(), static_cast<uint32_t>(segment->size));
    return check.photoInfo.thumbLength == 0;
}

int replaceOrRemove(PhotoRecords& records, PhotoFile& photo, const char* newThumbnailPath) {
    // Only a JPEG file can become the thumbnail; a folder, a device or an empty file changes nothing. A file
    // that is not there at all is the edit's own fatal report, as the window expects.
    platform::FileStatus thumbnailStatus;
    if (newThumbnailPath != nullptr && platform::statFile(newThumbnailPath, thumbnailStatus)) {
        std::vector<uint8_t> ignored;
        std::string why;
        if (!readThumbnailFile(newThumbnailPath, ignored, why)) {
            reportLine(why);
            return 0;
        }
    }
    int result = swapThumbnail(records, newThumbnailPath);
    if (result == ThumbNotReplaceable) {
        buildMinimalExif(records);
        result = swapThumbnail(records, newThumbnailPath);
    }
    // A thumbnail that does not fit changes nothing, so the command has not been carried out.
    if (result == ThumbTooLarge) {
        reportTooLarge(records.lastTooLarge);
        return 0;
    }
    if (result != ThumbDone && result != ThumbNoneToRemove) return 0;
    if (newThumbnailPath == nullptr && result == ThumbDone && !thumbnailGoneFromEditedSegment(records)) {
        reportLine("The thumbnail could not be removed safely; the photo was not changed");
        return 0;
    }
    std::string why;
    uint64_t newSize = 0;
    const NewContentWriter writeContent = [&records](const PhotoFile& source, platform::OpenFile& temp, uint64_t& size,
                                                     std::string& writeWhy) {
        return writeSectionListContent(records, source, temp, size, writeWhy);
    };
    if (!replacePhotoFile(photo, BackupPolicy::ReplaceOlder, writeContent, why, newSize)) {
        reportLine(why);
        return 0;
    }
    return 1;
}

int exportOnly(PhotoRecords& records, const char* outPath) {
    const int result = exportThumbnail(records, outPath);
    if (result == ThumbNotReplaceable) {
        showDriverMessage(driver_text::kNoThumbnail);
        return 0;
    }
    if (result == ThumbExportFailed) {
        showDriverMessage(driver_text::kExportFailed);
        return 0;
    }
    return 1;
}

}  // namespace

int readSourceFile(PhotoRecords& records, const char* sourcePath, bool needWriteAccess, int loadMode) {
    if (std::strlen(sourcePath) > kMaxSourcePathBytes) {
        showDriverMessage(driver_text::kPathTooLong);
        return 0;
    }
    currentFileName = sourcePath;
    resetJpegState(records.sectionList);
    clearPhotoInfoForNewFile(records);
    PhotoInfo& photoInfo = records.photoInfo;

    platform::FileStatus status;
    if (!platform::statFile(sourcePath, status)) {
        showDriverMessage(driver_text::kFileNotFound);
        return 0;
    }
    photoInfo.fileModified = static_cast<int32_t>(status.modifiedSeconds);
    photoInfo.fileSize = static_cast<uint32_t>(status.size);
    if (needWriteAccess && !platform::canWriteFile(sourcePath)) {
        reportOutputLine(std::string("Skipping readonly file '") + sourcePath + "'");
        return 0;
    }
    std::strncpy(photoInfo.filePath, sourcePath, sizeof photoInfo.filePath - 1);
    return loadJpegFile(records, sourcePath, loadMode) != 0 ? 1 : 0;
}

int readPhotoFile(PhotoRecords& records, const char* path, int loadMode) {
    currentFileName = path;
    resetJpegState(records.sectionList);
    clearPhotoInfoForNewFile(records);
    PhotoInfo& photoInfo = records.photoInfo;
    platform::FileStatus status;
    if (!platform::statFile(path, status)) {
        reportLine(std::string("Cannot find '") + path + "'");
        return 0;
    }
    photoInfo.fileModified = static_cast<int32_t>(status.modifiedSeconds);
    photoInfo.fileSize = static_cast<uint32_t>(status.size);
    std::strncpy(photoInfo.filePath, path, sizeof photoInfo.filePath - 1);
    return loadJpegFile(records, path, loadMode) != 0 ? 1 : 0;
}

int runFileOperation(const char* sourcePath, const char* secondPath, int replaceFlag, bool* fatal) {
    if (fatal != nullptr) *fatal = false;
    // An export writes only the thumbnail, so the image data after SOS need not be read.
    // An edit copies it from the file when writing, so it is never held in memory.
    const int loadMode = replaceFlag != 0 ? (LoadAll | LoadImageLater) : LoadMetadata;
    // The operation's own records of the photo: nothing of them outlives the call.
    PhotoRecords records;
    try {
        if (replaceFlag == 0) {
            if (!readSourceFile(records, sourcePath, true, loadMode)) return 0;
            return exportOnly(records, secondPath);
        }
        // The photo is opened and locked before it is read, so that what is written is what was read.
        PhotoFile photo;
        std::string why;
        if (std::strlen(sourcePath) <= kMaxSourcePathBytes && platform::statFile(sourcePath, photo.status) &&
            platform::canWriteFile(sourcePath) && !openPhotoForEdit(sourcePath, true, photo, why)) {
            currentFileName = sourcePath;
            reportLine(why);
            return 0;
        }
        if (!readSourceFile(records, photo.file.isOpen() ? photo.path.c_str() : sourcePath, true, loadMode)) return 0;
        currentFileName = sourcePath;
        return replaceOrRemove(records, photo, secondPath);
    } catch (const FatalError&) {
        if (fatal != nullptr) *fatal = true;
        return 0;
    } catch (const std::bad_alloc&) {
        // Memory runs out like a fatal report: the run ends with status 1 after the line.
        reportLine("Could not allocate memory");
        if (fatal != nullptr) *fatal = true;
        return 0;
    } catch (const std::exception& error) {
        reportLine(error.what());
        if (fatal != nullptr) *fatal = true;
        return 0;
    }
}

}  // namespace lumivex
