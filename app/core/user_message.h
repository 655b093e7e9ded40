// The messages the window gives the user, by name, with what fills them in: the core decides which, each
// adapter words them (the Win32 window in the Japanese of messages.h, the Qt window through its translations).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace lumivex::app {

using WideChar = char16_t;
using WideText = std::u16string;

enum class MessageId {
    InvalidFileName,  // a needed path names nothing that exists (or nothing the engine can be given)
    SameImage,        // replace with the same path in both panes
    ReplaceQuestion,  // firstPath: the photo, secondPath: the thumbnail file
    ReplaceDone,
    ReplaceFailed,
    SaveDone,
    SaveFailed,
    DeleteQuestion,  // firstPath: the photo
    DeleteDone,
    DeleteFailed,
    DialogFailed,  // code: the dialog's failure code
};

struct UserMessage {
    UserMessage(MessageId messageId, WideText first = {}, WideText second = {}, std::uint32_t failureCode = 0)
        : id(messageId), firstPath(std::move(first)), secondPath(std::move(second)), code(failureCode) {}

    MessageId id;
    WideText firstPath;
    WideText secondPath;
    std::uint32_t code;
};

// What a file dialog is shown for; the first two open a file, the last saves one.
enum class FileDialogPurpose { ChooseSource, ChooseThumbnail, SaveThumbnail };

}  // namespace lumivex::app
