#include "app/core/commands.h"

#include <optional>
#include <string>

#include "app/core/controls.h"
#include "app/core/file_names.h"
#include "app/core/messages.h"
#include "app/core/shake.h"
#include "engine/thumbnail/file_operation.h"

namespace lumivex::app {

namespace {

// What the common dialog reports when the chosen path does not fit the buffer (FNERR_BUFFERTOOSMALL).
constexpr std::uint32_t kBufferTooSmallError = 0x3003;

class Command {
  public:
    Command(WindowPlatform& platform, WindowHandle mainWindow) : platform_(platform), mainWindow_(mainWindow) {}

    void chooseFile(int paneId, const char16_t* title) {
        WideText path;
        if (!runFileDialog(platform_, FileDialogKind::Open, mainWindow_, title, path, kPathCapacity)) return;
        if (!hasJpgExtension(path)) return;
        platform_.setPaneImage(paneId, path);
        platform_.setControlText(paneId, path);
    }

    void replaceThumbnail() {
        const std::optional<WideText> source = existingPanePath(kSourcePaneId);
        if (!source) return failAndShake(text::kInvalidFileName);
        const std::optional<WideText> thumbnail = existingPanePath(kThumbnailPaneId);
        if (!thumbnail) return failAndShake(text::kInvalidFileName);
        if (*source == *thumbnail) return failAndShake(text::kSameImage);
        // Checked before the question: a path the engine cannot be given exactly is refused, never approximated.
        const std::optional<std::string> sourceBytes = engineFormOf(*source);
        const std::optional<std::string> thumbnailBytes = engineFormOf(*thumbnail);
        if (!sourceBytes || !thumbnailBytes) return failAndShake(text::kInvalidFileName);

        if (!confirm(*source + text::kReplaceQuestionAfterSource + *thumbnail + text::kReplaceQuestionEnd)) return;
        const Outcome outcome = operate(sourceBytes->c_str(), thumbnailBytes->c_str(), 1);
        if (outcome == Outcome::Done) {
            showDone(text::kReplaceDone);
        } else if (outcome == Outcome::Failed) {
            failAndShake(text::kReplaceFailed);
        }
    }

    void saveThumbnail() {
        const std::optional<WideText> source = existingPanePath(kSourcePaneId);
        if (!source) return failAndShake(text::kInvalidFileName);
        const std::optional<std::string> sourceBytes = engineFormOf(*source);
        if (!sourceBytes) return failAndShake(text::kInvalidFileName);

        // The dialog is the user's consent; it asks itself before an existing file is overwritten.
        WideText output;
        if (!runFileDialog(platform_, FileDialogKind::Save, mainWindow_, text::kSaveDialogTitle, output,
                           kPathCapacity)) {
            return;
        }
        const std::optional<std::string> outputBytes = engineFormOf(output);
        if (!outputBytes) return failAndShake(text::kInvalidFileName);

        const Outcome outcome = operate(sourceBytes->c_str(), outputBytes->c_str(), 0);
        if (outcome == Outcome::Done) {
            showDone(text::kSaveDone);
        } else if (outcome == Outcome::Failed) {
            fail(text::kSaveFailed);
        }
    }

    void deleteThumbnail() {
        const std::optional<WideText> source = existingPanePath(kSourcePaneId);
        if (!source) return failAndShake(text::kInvalidFileName);
        const std::optional<std::string> sourceBytes = engineFormOf(*source);
        if (!sourceBytes) return failAndShake(text::kInvalidFileName);

        if (!confirm(*source + text::kDeleteQuestionEnd)) return;
        const Outcome outcome = operate(sourceBytes->c_str(), nullptr, 1);
        if (outcome == Outcome::Done) {
            showDone(text::kDeleteDone);
        } else if (outcome == Outcome::Failed) {
            fail(text::kDeleteFailed);
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

    bool confirm(const WideText& question) {
        return platform_.showMessageBox(mainWindow_, question, WideText(text::kConfirmCaption),
                                        kMbYesNo | kMbIconQuestion) == kIdYes;
    }

    void showDone(const char16_t* message) {
        platform_.showMessageBox(mainWindow_, message, WideText(text::kDoneCaption), kMbOk);
    }

    void fail(const char16_t* message) { platform_.showMessageBox(mainWindow_, message, std::nullopt, kMbIconError); }

    void failAndShake(const char16_t* message) {
        fail(message);
        shakeWindow(platform_, mainWindow_, kShakeCount);
    }

    WindowPlatform& platform_;
    WindowHandle mainWindow_;
};

WideText hex8(std::uint32_t value) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    WideText digits(8, u'0');
    for (int i = 7; i >= 0; --i) {
        digits[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
        value >>= 4;
    }
    return digits;
}

}  // namespace

bool runFileDialog(WindowPlatform& platform, FileDialogKind kind, WindowHandle owner, const WideText& title,
                   WideText& path, std::size_t capacity) {
    path.clear();
    FileDialogRequest request;
    request.kind = kind;
    request.owner = owner;
    request.title = title;
    request.filterText = kJpegFilterText;
    request.filterPattern = kJpegFilterPattern;
    request.flags = kFileDialogFlags;
    request.capacity = capacity;
    FileDialogResult result = platform.showFileDialog(request);

    std::uint32_t error = result.extendedError;
    if (result.chosen) {
        if (!result.path.empty() && result.path.size() < capacity) {
            path = std::move(result.path);
            return true;
        }
        // A path that does not fit is never cut into the name of another file.
        error = result.path.empty() ? 0 : kBufferTooSmallError;
    }
    if (error == 0) return false;
    platform.showMessageBox(owner, text::kDialogFailedPrefix + hex8(error), std::nullopt, kMbIconWarning);
    return false;
}

CommandResult handleCommand(WindowPlatform& platform, WindowHandle mainWindow, std::uintptr_t firstParam) {
    const int id = static_cast<int>(firstParam & 0xFFFF);
    const unsigned notification = static_cast<unsigned>((firstParam >> 16) & 0xFFFF);
    Command command(platform, mainWindow);
    switch (id) {
        case kSourcePaneId:
            command.chooseFile(kSourcePaneId, text::kSourceDialogTitle);
            break;
        case kThumbnailPaneId:
            command.chooseFile(kThumbnailPaneId, text::kThumbnailDialogTitle);
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
            if (notification != 0) break;  // only STN_CLICKED
            platform.openWebPage(kWebPageAddress);
            return CommandResult::AnswerOne;
        default:
            break;
    }
    return CommandResult::DefaultProcessing;
}

}  // namespace lumivex::app
