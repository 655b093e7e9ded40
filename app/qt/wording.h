// The Qt window's words. English is the source; the translations (translations/lumivex_<language>.ts) give
// the user's language, the Japanese one the very words of the Windows window.
#pragma once

#include <QString>

#include "app/core/user_message.h"

namespace lumivex::qt::wording {

QString windowTitle();
QString controlCaption(int controlId);  // the caption the control starts with; the panes' prompt
QString panePrompt();
QString confirmCaption();
QString doneCaption();
QString message(const app::UserMessage& message);
QString dialogTitle(app::FileDialogPurpose purpose);
QString jpegFilter();  // "JPEG files (*.jpg)": the display text with its pattern
// One of the engine's own messages (given in the engine's Japanese) in the user's language; a text the
// window does not know is shown as it came.
QString engineMessage(const app::WideText& text);

}  // namespace lumivex::qt::wording
