#include "app/core/commands.h"

#include <optional>
#include <string>

#include "app/core/controls.h"
#include "app/core/file_names.h"
#include "app/core/shake.h"
#include "lumivex/window_operation.h"

namespace lumivex::app {

namespace {

// The code the warning shows when the chosen path does not fit the window's buffer: the number the Windows
// dialog gives for that itself, so the warning reads the same on every system.
constexpr std::uint32_t kPathTooLongCode = 0x3003;

class Command {
  public:
    explicit Command(WindowPlatform& platform) : platform_(platform) {}

    void chooseFile(int paneId, FileDialogPurpose purpose) {
        WideText path;
        if (!runFileDialog(platform_, purpose, path, kPathCapacity)) return;
        if (!hasJpgExtension(path)) return;
        platform_.setPaneImage(paneId, path);
        platform_.setControlText(paneId, path);
    }

    void replaceThumbnail() {
        const std::optional<WideText> source = existingPanePath(kSourcePaneId);
        if (!source) return failAndShake(MessageId::InvalidFileName);
        const std::optional<WideText> thumbnail = existingPanePath(kThumbnailPaneId);
        if (!thumbnail) return failAndShake(MessageId::InvalidFileName);
        if (*source == *thumbnail) return failAndShake(MessageId::SameImage);
        // Checked before the question: a path the engine cannot be given exactly is refused, never approximated.
        const std::optional<std::string> sourceBytes = engineFormOf(*source);
        const std::optional<std::string> thumbnailBytes = engineFormOf(*thumbnail);
        if (!sourceBytes || !thumbnailBytes) return failAndShake(MessageId::InvalidFileName);

        if (!platform_.confirm({MessageId::ReplaceQuestion, *source, *thumbnail})) return;
        const Outcome outcome = operate(sourceBytes->c_str(), thumbnailBytes->c_str(), 1);
        if (outcome == Outcome::Done) {
            platform_.showInfo({MessageId::ReplaceDone});
        } else if (outcome == Outcome::Failed) {
            failAndShake(MessageId::ReplaceFailed);
        }
    }

    void saveThumbnail() {
        const std::optional<WideText> source = existingPanePath(kSourcePaneId);
        if (!source) return failAndShake(MessageId::InvalidFileName);
        const std::optional<std::string> sourceBytes = engineFormOf(*source);
        if (!sourceBytes) return failAndShake(MessageId::InvalidFileName);

        // The dialog is the user's consent; it asks itself before an existing file is overwritten.
        WideText output;
        if (!runFileDialog(platform_, FileDialogPurpose::SaveThumbnail, output, kPathCapacity)) return;
        const std::optional<std::string> outputBytes = engineFormOf(output);
        if (!outputBytes) return failAndShake(MessageId::InvalidFileName);

        const Outcome outcome = operate(sourceBytes->c_str(), outputBytes->c_str(), 0);
        if (outcome == Outcome::Done) {
            platform_.showInfo({MessageId::SaveDone});
        } else if (outcome == Outcome::Failed) {
            platform_.showError({MessageId::SaveFailed});
        }
    }

    void deleteThumbnail() {
        const std::optional<WideText> source = existingPanePath(kSourcePaneId);
        if (!source) return failAndShake(MessageId::InvalidFileName);
        const std::optional<std::string> sourceBytes = engineFormOf(*source);
        if (!sourceBytes) return failAndShake(MessageId::InvalidFileName);

        if (!platform_.confirm({MessageId::DeleteQuestion, *source})) return;
        const Outcome outcome = operate(sourceBytes->c_str(), nullptr, 1);
        if (outcome == Outcome::Done) {
            platform_.showInfo({MessageId::DeleteDone});
        } else if (outcome == Outcome::Failed) {
            platform_.showError({MessageId::DeleteFailed});
        }
    }

  private:
    enum class Outcome { Done, Failed, ProgramEnded };

    // The engine's operation. After a fatal report the program ends with status 1 and no box of ours follows.
    Outcome operate(const char* source, const char* second, int replaceFlag) {
        bool fatal = false;
        const int done = runFileOperation(source, second, replaceFlag, &fatal);
        if (fatal) {
            platform_.endProgram(1);
            return Outcome::ProgramEnded;
        }
        return done != 0 ? Outcome::Done : Outcome::Failed;
    }

    // The pane's caption when it names a chosen file that exists (a file or a folder).
    std::optional<WideText> existingPanePath(int paneId) {
        WideText caption = platform_.controlText(paneId);
        if (!isChosenPath(caption) || !platform_.pathExists(caption)) return std::nullopt;
        return caption;
    }

    // The path as the engine takes it: exact in the 8-bit code page and within 259 bytes.
    std::optional<std::string> engineFormOf(const WideText& path) {
        SystemCodePagePath converted = platform_.toSystemCodePage(path);
        if (!converted.lossless || converted.bytes.empty() ||
            converted.bytes.size() >= static_cast<std::size_t>(kPathCapacity) ||
            converted.bytes.find('\0') != std::string::npos) {
            return std::nullopt;
        }
        return std::move(converted.bytes);
    }

    void failAndShake(MessageId message) {
        platform_.showError({message});
        shakeWindow(platform_, kShakeCount);
    }

    WindowPlatform& platform_;
};

}  // namespace

bool runFileDialog(WindowPlatform& platform, FileDialogPurpose purpose, WideText& path, std::size_t capacity) {
    path.clear();
    FileDialogResult result = platform.showFileDialog(purpose, capacity);

    std::uint32_t failure = result.failureCode;
    if (result.chosen) {
        if (!result.path.empty() && result.path.size() < capacity) {
            path = std::move(result.path);
            return true;
        }
        // A path that does not fit is never cut into the name of another file.
        failure = result.path.empty() ? 0 : kPathTooLongCode;
    }
    if (failure == 0) return false;
    platform.showWarning({MessageId::DialogFailed, {}, {}, failure});
    return false;
}

void handleClick(WindowPlatform& platform, int controlId) {
    Command command(platform);
    switch (controlId) {
        case kSourcePaneId:
            command.chooseFile(kSourcePaneId, FileDialogPurpose::ChooseSource);
            break;
        case kThumbnailPaneId:
            command.chooseFile(kThumbnailPaneId, FileDialogPurpose::ChooseThumbnail);
            break;
        case kReplaceButtonId:
            command.replaceThumbnail();
            break;
        case kSaveButtonId:
            command.saveThumbnail();
            break;
        case kDeleteButtonId:
            command.deleteThumbnail();
            break;
        case kLinkMarkId:
            platform.openWebPage(kWebPageAddress);
            break;
        default:
            break;
    }
}

}  // namespace lumivex::app
