#include "engine/thumbnail/photo_edit.h"

#include "engine/diag/diag.h"
#include "engine/thumbnail/file_operation.h"

namespace lumivex {

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
    EditResult result;
    ScopedReportSink collect([&result](std::string_view text) { result.reports.append(text); });
    const char* second = request.command == EditCommand::Delete ? nullptr : request.secondPath.c_str();
    const int replaceFlag = request.command == EditCommand::Export ? 0 : 1;
    try {
        result.outcome = runFileOperation(request.photoPath.c_str(), second, replaceFlag) == 1 ? EditOutcome::Done
                                                                                                : EditOutcome::Failed;
    } catch (const FatalError& error) {
        result.outcome = EditOutcome::Failed;
        result.message = error.message;
    }
    return result;
}

}  // namespace lumivex
