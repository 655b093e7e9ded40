#include "engine/thumbnail/file_operation.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "engine/diag/diag.h"
#include "engine/exif/exif_segment.h"
#include "engine/exif/photo_info.h"
#include "engine/jpeg/reader.h"
#include "engine/jpeg/sections.h"
#include "engine/jpeg/writer.h"
#include "engine/platform/file_services.h"
#include "engine/thumbnail/driver_messages.h"
#include "engine/thumbnail/thumbnail_edit.h"

namespace lumivex {

namespace {

void reportTooLarge() {
    std::fprintf(stderr, "New thumbnail has %llu bytes; at most %u bytes fit in the Exif segment\n",
                 static_cast<unsigned long long>(lastTooLarge.newLength), lastTooLarge.room);
}

// Puts the backup back under the photo's name after a write that did not complete.
int restoreOriginal(const char* sourcePath, const std::string& backupPath, const std::string& newPath) {
    std::remove(newPath.c_str());
    const bool restored = std::rename(backupPath.c_str(), sourcePath) == 0;
    std::fprintf(stderr, "Could not write '%s' whole; %s\n", sourcePath,
                 restored ? "the original was put back" : "the original is kept in the backup");
    return 0;
}

// Keeps the old file as PATH.orig, writes the edited list under PATH and gives it the old mode and times.
// The user's bytes must survive: without a backup nothing is written, and the new file is written under a
// temporary name and renamed into place, so the photo's name never holds half a file, even after a crash.
int writeWithBackup(const char* sourcePath) {
    const std::string backupPath = std::string(sourcePath) + ".orig";
    const std::string newPath = std::string(sourcePath) + ".new~";
    // Names the system cannot handle would fail half-way, after the photo had been renamed.
    const bool namesFit = backupPath.size() <= platform::maxPathBytes() && newPath.size() <= platform::maxPathBytes();
    if (namesFit) std::remove(backupPath.c_str());
    if (!namesFit || std::rename(sourcePath, backupPath.c_str()) != 0) {
        std::fprintf(stderr, "Could not keep a backup as '%s'; '%s' was left unchanged\n", backupPath.c_str(),
                     sourcePath);
        return 0;
    }
    // The image data was left in the photo's file, which now has the backup's name.
    if (sectionList.imageDataOffset >= 0) sectionList.imageDataSource = backupPath;
    if (!saveJpegFile(newPath.c_str())) return restoreOriginal(sourcePath, backupPath, newPath);
    if (std::rename(newPath.c_str(), sourcePath) != 0) return restoreOriginal(sourcePath, backupPath, newPath);
    platform::FileStatus backup;
    if (!platform::statFile(backupPath.c_str(), backup)) return 1;
    platform::setFileMode(sourcePath, backup.mode);
    platform::setFileTimes(sourcePath, backup.modifiedSeconds, backup.modifiedNanos);
    return 1;
}

int replaceOrRemove(const char* sourcePath, const char* newThumbnailPath) {
    int result = swapThumbnail(newThumbnailPath);
    if (result == ThumbNotReplaceable) {
        buildMinimalExif();
        result = swapThumbnail(newThumbnailPath);
    }
    // A thumbnail that does not fit changes nothing, so the command has not been carried out.
    if (result == ThumbTooLarge) {
        reportTooLarge();
        return 0;
    }
    if (result != ThumbDone && result != ThumbNoneToRemove) return 0;
    return writeWithBackup(sourcePath);
}

int exportOnly(const char* outPath) {
    const int result = exportThumbnail(outPath);
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

int readSourceFile(const char* sourcePath, bool needWriteAccess, int loadMode) {
    if (std::strlen(sourcePath) > kMaxSourcePathBytes) {
        showDriverMessage(driver_text::kPathTooLong);
        return 0;
    }
    currentFileName = sourcePath;
    resetJpegState();
    clearPhotoInfoForNewFile();

    platform::FileStatus status;
    if (!platform::statFile(sourcePath, status)) {
        showDriverMessage(driver_text::kFileNotFound);
        return 0;
    }
    photoInfo.fileModified = static_cast<int32_t>(status.modifiedSeconds);
    photoInfo.fileSize = static_cast<uint32_t>(status.size);
    if (needWriteAccess && !platform::canWriteFile(sourcePath)) {
        std::printf("Skipping readonly file '%s'\n", sourcePath);
        std::fflush(stdout);
        return 0;
    }
    std::strncpy(photoInfo.filePath, sourcePath, sizeof photoInfo.filePath - 1);
    return loadJpegFile(sourcePath, loadMode) != 0 ? 1 : 0;
}

int runFileOperation(const char* sourcePath, const char* secondPath, int replaceFlag, bool* fatal) {
    if (fatal != nullptr) *fatal = false;
    // An export writes only the thumbnail, so the image data after SOS need not be read.
    // An edit copies it from the file when writing, so it is never held in memory.
    const int loadMode = replaceFlag != 0 ? (LoadAll | LoadImageLater) : LoadMetadata;
    try {
        if (!readSourceFile(sourcePath, true, loadMode)) return 0;
        if (replaceFlag != 0) return replaceOrRemove(sourcePath, secondPath);
        return exportOnly(secondPath);
    } catch (const FatalError&) {
        if (fatal != nullptr) *fatal = true;
        return 0;
    }
}

}  // namespace lumivex
