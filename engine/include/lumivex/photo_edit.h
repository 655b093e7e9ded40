// One edit of one photo for the command-line tool and other callers that process many photos: every failure
// comes back as a value (nothing ends the process), the reports of the engine come back with it, and the
// photo's name holds the original or the complete new file at every instant.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumivex {

enum class EditCommand { Replace, Delete, Export };

struct EditRequest {
    EditCommand command = EditCommand::Replace;
    std::string photoPath;
    std::string secondPath;               // replace: the new thumbnail file; export: the output file or "-"
    std::vector<uint8_t> thumbnailBytes;  // replace: the new thumbnail itself, used when secondPath is empty
    bool minimalExif = false;             // replace as the window does: a photo whose thumbnail is not last
                                          // gets the minimal Exif block (every other field is lost)
    bool keepBackup = true;               // keep the original as PHOTO.orig; false: no backup, fsync first
    bool dryRun = false;                  // decide and report, write nothing at all
    bool overwriteOutput = false;         // export: an existing output file may be replaced
    bool followLinks = false;             // a symbolic link (as the photo or on the way to it) may be followed
    bool inPlace = false;                 // rewrite the photo's own file, so that all its hard links see the edit
};

enum class EditOutcome {
    Done,         // the photo (or the exported file) was written
    NothingToDo,  // nothing needed changing; nothing was written
    Refused,      // the edit cannot be made safely or does not fit; nothing was written
    Failed,       // a fault (unreadable photo, write error); the photo holds its original bytes
};

struct EditResult {
    EditOutcome outcome = EditOutcome::Failed;
    std::string message;      // one line for a person: what was done or why not
    std::string route;        // replace: "in place", "appended", "new thumbnail directory", "minimal Exif block"
    std::string reports;      // the engine's report lines for this photo, as they would go to standard error
    uint64_t sizeBefore = 0;  // the photo's size before
    uint64_t sizeAfter = 0;   // its size after (the same when nothing was written; export: the thumbnail's)
};

EditResult editPhoto(const EditRequest& request);

// Runs an edit (or its plan) with this thread's report lines collected into the result's reports; a fault,
// whatever its kind, becomes a failed result with its message, so one bad photo never ends a batch.
EditResult collectedEdit(const std::function<EditResult()>& edit);

const char* outcomeName(EditOutcome outcome);  // "done", "nothing to do", "refused", "failed"

}  // namespace lumivex
