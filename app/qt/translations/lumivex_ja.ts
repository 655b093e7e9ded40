<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja_JP" sourcelanguage="en">
<context>
    <name>Lumivex</name>
    <message>
        <source>Lumivex Ver.1.00</source>
        <translation>Lumivex Ver.1.00</translation>
    </message>
    <message>
        <source>[Source image]</source>
        <translation>[元画像]</translation>
    </message>
    <message>
        <source>[Thumbnail image]</source>
        <translation>[サムネイル画像]</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>作成</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>削除</translation>
    </message>
    <message>
        <source>Click the button,
or drop a file here</source>
        <translation>ボタンをクリック、
またはファイルをドロップしてください</translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation>処理開始の確認</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>処理終了</translation>
    </message>
    <message>
        <source>No valid file name has been given.</source>
        <translation>正しいファイル名が指定されていません。</translation>
    </message>
    <message>
        <source>The same image has been given for both.</source>
        <translation>同じ画像が指定されています。</translation>
    </message>
    <message>
        <source>Replace the thumbnail of
%1
with
%2?</source>
        <translation>%1
のサムネイルを
%2
に差し替えますか?</translation>
    </message>
    <message>
        <source>The thumbnail has been replaced.

[Note] Where the source image and the thumbnail image differ in aspect ratio or the like, the result may not be right.</source>
        <translation>サムネイルの差し替えが完了しました。

【注意】元画像とサムネイル画像の縦横比などが異なる場合、正常に処理されていない場合があります。</translation>
    </message>
    <message>
        <source>Replacing the thumbnail failed.</source>
        <translation>サムネイルの差し替えに失敗しました。</translation>
    </message>
    <message>
        <source>The thumbnail has been saved.</source>
        <translation>サムネイルの保存が完了しました。</translation>
    </message>
    <message>
        <source>Saving the thumbnail failed.</source>
        <translation>サムネイルの保存に失敗しました。</translation>
    </message>
    <message>
        <source>Delete the thumbnail of
%1?</source>
        <translation>%1
のサムネイルを削除しますか?</translation>
    </message>
    <message>
        <source>The thumbnail has been deleted.

[Note] Only the thumbnail was deleted. Exif information such as the date taken has not been deleted.</source>
        <translation>サムネイルの削除が完了しました。

【注意】削除されたのはサムネイルのみです。撮影日時などのExif情報は削除されていません。</translation>
    </message>
    <message>
        <source>Deleting the thumbnail failed.</source>
        <translation>サムネイルの削除に失敗しました。</translation>
    </message>
    <message>
        <source>Choosing the file failed.
ErrCode:0x%1</source>
        <translation>ファイルの選択に失敗しました。
ErrCode:0x%1</translation>
    </message>
    <message>
        <source>Choose the JPEG file [source]</source>
        <translation>JPEGファイル[元]を選択してください</translation>
    </message>
    <message>
        <source>Choose the JPEG file [thumbnail]</source>
        <translation>JPEGファイル[サムネイル]を選択してください</translation>
    </message>
    <message>
        <source>Name the JPEG file to save [thumbnail] to</source>
        <translation>保存するJPEGファイル[サムネイル]を指定してください</translation>
    </message>
    <message>
        <source>JPEG files (*.jpg)</source>
        <translation>JPEGファイル (*.jpg)</translation>
    </message>
    <message>
        <source>The thumbnail image is too large.</source>
        <translation>サムネイル画像のサイズが大きすぎます。</translation>
    </message>
    <message>
        <source>The file cannot be found.</source>
        <translation>ファイルが見つかりません。</translation>
    </message>
    <message>
        <source>The photo holds no thumbnail image.</source>
        <translation>サムネイル画像が含まれません。</translation>
    </message>
    <message>
        <source>Writing the thumbnail image failed.</source>
        <translation>サムネイル画像の出力に失敗しました。</translation>
    </message>
</context>
</TS>
