#include "app/qt/wording.h"

#include <QCoreApplication>

#include "app/core/controls.h"
#include "app/core/utf16.h"
#include "lumivex/driver_messages.h"

namespace lumivex::qt::wording {
namespace {

// One translation context for all the window's words.
class Lumivex {
    Q_DECLARE_TR_FUNCTIONS(Lumivex)
};

QString hex8(std::uint32_t code) { return QStringLiteral("%1").arg(code, 8, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

QString windowTitle() { return Lumivex::tr("Lumivex Ver.1.00"); }

QString controlCaption(int controlId) {
    switch (controlId) {
        case app::kSourceFrameId:
            return Lumivex::tr("[Source image]");
        case app::kThumbnailFrameId:
            return Lumivex::tr("[Thumbnail image]");
        case app::kSourcePaneId:
        case app::kThumbnailPaneId:
            return panePrompt();
        case app::kReplaceButtonId:
            return Lumivex::tr("Replace");
        case app::kSaveButtonId:
            return Lumivex::tr("Save");
        case app::kDeleteButtonId:
            return Lumivex::tr("Delete");
        case app::kLinkMarkId:
            return QStringLiteral("\u2665");  // a heart in every language
        default:
            return {};
    }
}

QString panePrompt() { return Lumivex::tr("Click the button,\nor drop a file here"); }
QString confirmCaption() { return Lumivex::tr("Confirm"); }
QString doneCaption() { return Lumivex::tr("Done"); }

QString message(const app::UserMessage& message) {
    const QString first = QString::fromStdU16String(message.firstPath);
    const QString second = QString::fromStdU16String(message.secondPath);
    switch (message.id) {
        case app::MessageId::InvalidFileName:
            return Lumivex::tr("No valid file name has been given.");
        case app::MessageId::SameImage:
            return Lumivex::tr("The same image has been given for both.");
        case app::MessageId::ReplaceQuestion:
            // Both paths in one go, so that a "%" in a path is never taken for a place holder.
            return Lumivex::tr("Replace the thumbnail of\n%1\nwith\n%2?").arg(first, second);
        case app::MessageId::ReplaceDone:
            return Lumivex::tr(
                "The thumbnail has been replaced.\n\n[Note] Where the source image and the thumbnail image "
                "differ in aspect ratio or the like, the result may not be right.");
        case app::MessageId::ReplaceFailed:
            return Lumivex::tr("Replacing the thumbnail failed.");
        case app::MessageId::SaveDone:
            return Lumivex::tr("The thumbnail has been saved.");
        case app::MessageId::SaveFailed:
            return Lumivex::tr("Saving the thumbnail failed.");
        case app::MessageId::DeleteQuestion:
            return Lumivex::tr("Delete the thumbnail of\n%1?").arg(first);
        case app::MessageId::DeleteDone:
            return Lumivex::tr(
                "The thumbnail has been deleted.\n\n[Note] Only the thumbnail was deleted. Exif information "
                "such as the date taken has not been deleted.");
        case app::MessageId::DeleteFailed:
            return Lumivex::tr("Deleting the thumbnail failed.");
        case app::MessageId::DialogFailed:
            return Lumivex::tr("Choosing the file failed.\nErrCode:0x%1").arg(hex8(message.code));
    }
    return {};
}

QString dialogTitle(app::FileDialogPurpose purpose) {
    switch (purpose) {
        case app::FileDialogPurpose::ChooseSource:
            return Lumivex::tr("Choose the JPEG file [source]");
        case app::FileDialogPurpose::ChooseThumbnail:
            return Lumivex::tr("Choose the JPEG file [thumbnail]");
        case app::FileDialogPurpose::SaveThumbnail:
            return Lumivex::tr("Name the JPEG file to save [thumbnail] to");
    }
    return {};
}

QString jpegFilter() { return Lumivex::tr("JPEG files (*.jpg)"); }

QString engineMessage(const app::WideText& text) {
    static const struct {
        const char* engineText;  // UTF-8, as the engine gives it
        const char* source;
    } kKnown[] = {
        {driver_text::kPathTooLong, QT_TRANSLATE_NOOP("Lumivex", "The thumbnail image is too large.")},
        {driver_text::kFileNotFound, QT_TRANSLATE_NOOP("Lumivex", "The file cannot be found.")},
        {driver_text::kNoThumbnail, QT_TRANSLATE_NOOP("Lumivex", "The photo holds no thumbnail image.")},
        {driver_text::kExportFailed, QT_TRANSLATE_NOOP("Lumivex", "Writing the thumbnail image failed.")},
    };
    const std::string utf8 = app::utf8FromUtf16(text);
    for (const auto& known : kKnown) {
        if (utf8 == known.engineText) return Lumivex::tr(known.source);
    }
    return QString::fromStdU16String(text);
}

}  // namespace lumivex::qt::wording
