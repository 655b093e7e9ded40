#include "app/core/messages.h"

namespace lumivex::app {

namespace {

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

WideText japaneseText(const UserMessage& message) {
    switch (message.id) {
        case MessageId::InvalidFileName:
            return text::kInvalidFileName;
        case MessageId::SameImage:
            return text::kSameImage;
        case MessageId::ReplaceQuestion:
            return message.firstPath + text::kReplaceQuestionAfterSource + message.secondPath +
                   text::kReplaceQuestionEnd;
        case MessageId::ReplaceDone:
            return text::kReplaceDone;
        case MessageId::ReplaceFailed:
            return text::kReplaceFailed;
        case MessageId::SaveDone:
            return text::kSaveDone;
        case MessageId::SaveFailed:
            return text::kSaveFailed;
        case MessageId::DeleteQuestion:
            return message.firstPath + text::kDeleteQuestionEnd;
        case MessageId::DeleteDone:
            return text::kDeleteDone;
        case MessageId::DeleteFailed:
            return text::kDeleteFailed;
        case MessageId::DialogFailed:
            return text::kDialogFailedPrefix + hex8(message.code);
    }
    return {};
}

const char16_t* japaneseDialogTitle(FileDialogPurpose purpose) {
    switch (purpose) {
        case FileDialogPurpose::ChooseSource:
            return text::kSourceDialogTitle;
        case FileDialogPurpose::ChooseThumbnail:
            return text::kThumbnailDialogTitle;
        case FileDialogPurpose::SaveThumbnail:
            return text::kSaveDialogTitle;
    }
    return u"";
}

}  // namespace lumivex::app
