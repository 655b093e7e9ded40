// The window's texts in Japanese, exactly as the Windows window shows them; the Qt window's Japanese
// translation gives the same words.
#pragma once

#include "app/core/user_message.h"

namespace lumivex::app {

// The whole text of a message, its paths and code filled in.
WideText japaneseText(const UserMessage& message);
// The title of a file dialog.
const char16_t* japaneseDialogTitle(FileDialogPurpose purpose);

}  // namespace lumivex::app

namespace lumivex::app::text {

inline constexpr char16_t kSourceDialogTitle[] = u"JPEGファイル[元]を選択してください";
inline constexpr char16_t kThumbnailDialogTitle[] = u"JPEGファイル[サムネイル]を選択してください";
inline constexpr char16_t kSaveDialogTitle[] = u"保存するJPEGファイル[サムネイル]を指定してください";

inline constexpr char16_t kInvalidFileName[] = u"正しいファイル名が指定されていません。";
inline constexpr char16_t kSameImage[] = u"同じ画像が指定されています。";
inline constexpr char16_t kConfirmCaption[] = u"処理開始の確認";
inline constexpr char16_t kDoneCaption[] = u"処理終了";

// "%s\nのサムネイルを\n%s\nに差し替えますか?" in three pieces around the two paths.
inline constexpr char16_t kReplaceQuestionAfterSource[] = u"\nのサムネイルを\n";
inline constexpr char16_t kReplaceQuestionEnd[] = u"\nに差し替えますか?";
inline constexpr char16_t kReplaceDone[] =
    u"サムネイルの差し替えが完了しました。\n\n【注意】元画像とサムネイル画像の縦横比などが異なる場合、"
    u"正常に処理されていない場合があります。";
inline constexpr char16_t kReplaceFailed[] = u"サムネイルの差し替えに失敗しました。";

inline constexpr char16_t kSaveDone[] = u"サムネイルの保存が完了しました。";
inline constexpr char16_t kSaveFailed[] = u"サムネイルの保存に失敗しました。";

// "%s\nのサムネイルを削除しますか?" after the path.
inline constexpr char16_t kDeleteQuestionEnd[] = u"\nのサムネイルを削除しますか?";
inline constexpr char16_t kDeleteDone[] =
    u"サムネイルの削除が完了しました。\n\n【注意】削除されたのはサムネイルのみです。撮影日時などのExif情報は"
    u"削除されていません。";
inline constexpr char16_t kDeleteFailed[] = u"サムネイルの削除に失敗しました。";

// The file dialogs' one filter: its display text and its pattern.
inline constexpr char16_t kJpegFilterText[] = u"JPEGファイル (*.jpg)";
inline constexpr char16_t kJpegFilterPattern[] = u"*.jpg";

// "ファイルの選択に失敗しました。\nErrCode:0x%08X" before the eight hexadecimal digits.
inline constexpr char16_t kDialogFailedPrefix[] = u"ファイルの選択に失敗しました。\nErrCode:0x";

}  // namespace lumivex::app::text
