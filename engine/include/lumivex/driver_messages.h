// The boxes of the driver (runFileOperation, the per-command entry of window_operation.h) go through this seam:
// the window shows them as boxes, the command-line tool as one line on standard error.
#pragma once

namespace lumivex {

// Receives the box text in UTF-8.
using DriverMessageSink = void (*)(const char* utf8Text);

// nullptr restores the default, one line on standard error.
void setDriverMessageSink(DriverMessageSink sink);
void showDriverMessage(const char* utf8Text);

namespace driver_text {
// Shown when the photo's path is too long, in the words the window's box has always used, which speak of the
// thumbnail's size.
inline constexpr char kPathTooLong[] = "サムネイル画像のサイズが大きすぎます。";
inline constexpr char kFileNotFound[] = "ファイルが見つかりません。";
inline constexpr char kNoThumbnail[] = "サムネイル画像が含まれません。";
inline constexpr char kExportFailed[] = "サムネイル画像の出力に失敗しました。";
}  // namespace driver_text

}  // namespace lumivex
