// The window in its user's language: the Windows window's Japanese under a Japanese locale, English under any
// other; and a photo named on the command line.
#include "app/qt/translation.h"

#include <QGroupBox>
#include <QPushButton>
#include <QTest>

#include "app/core/controls.h"
#include "app/core/messages.h"
#include "app/qt/pane_button.h"
#include "app/qt/wording.h"
#include "modal_script.h"
#include "window_fixture.h"

namespace lumivex::qt::test {
namespace {

QString buttonText(QWidget* widget) { return qobject_cast<QAbstractButton*>(widget)->text(); }

// The window made after the suite's Japanese is switched off and the English locale's translation (none)
// is looked for where the Japanese one lies.
class EnglishWindowTest : public WindowTest {
  protected:
    void SetUp() override {
        useJapanese(false);
        english_ = installTranslation(QLocale(QLocale::English, QLocale::UnitedStates), {LUMIVEX_QM_DIR});
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        useJapanese(true);
    }
    std::unique_ptr<QTranslator> english_;
};

TEST_F(EnglishWindowTest, TitleButtonsAndBoxesAreInEnglish) {
    EXPECT_EQ(english_, nullptr) << "English is the source language";
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Lumivex Ver.1.00"));
    EXPECT_EQ(qobject_cast<QGroupBox*>(control(app::kSourceFrameId))->title(), QStringLiteral("[Source image]"));
    EXPECT_EQ(buttonText(control(app::kSourcePaneId)), QStringLiteral("Click the button,\nor drop a file here"));
    EXPECT_EQ(buttonText(control(app::kReplaceButtonId)), QStringLiteral("Replace"));
    EXPECT_EQ(buttonText(control(app::kSaveButtonId)), QStringLiteral("Save"));
    EXPECT_EQ(buttonText(control(app::kDeleteButtonId)), QStringLiteral("Delete"));

    // The English prompt names no file: the command refuses as it does before any choice.
    ModalScript script({ModalScript::press(QMessageBox::Ok)});
    click(app::kDeleteButtonId);
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].text, QStringLiteral("No valid file name has been given."));
    EXPECT_EQ(script.seen()[0].title, QString());
}

// Under the suite's Japanese every text is the Windows window's own: the same core texts it is built from.
TEST_F(WindowTest, UnderAJapaneseLocaleEveryTextIsTheWindowsWindows) {
    const auto japanese = installTranslation(QLocale(QLocale::Japanese, QLocale::Japan), {LUMIVEX_QM_DIR});
    ASSERT_NE(japanese, nullptr);
    EXPECT_EQ(window_->windowTitle(), QString::fromStdU16String(app::kWindowTitle));
    for (const app::ControlSpec& spec : app::kControls) {
        EXPECT_EQ(wording::controlCaption(spec.id), QString::fromStdU16String(spec.caption)) << spec.id;
    }
    EXPECT_EQ(buttonText(control(app::kReplaceButtonId)), QStringLiteral("作成"));
    EXPECT_EQ(wording::confirmCaption(), QString::fromStdU16String(app::text::kConfirmCaption));
    EXPECT_EQ(wording::doneCaption(), QString::fromStdU16String(app::text::kDoneCaption));
    EXPECT_EQ(wording::jpegFilter(), QString::fromStdU16String(app::text::kJpegFilterText));
    for (const auto purpose : {app::FileDialogPurpose::ChooseSource, app::FileDialogPurpose::ChooseThumbnail,
                               app::FileDialogPurpose::SaveThumbnail}) {
        EXPECT_EQ(wording::dialogTitle(purpose), QString::fromStdU16String(app::japaneseDialogTitle(purpose)));
    }
    // A "%1" in a path stays as typed.
    const app::WideText first = u"/photos/a%1b.jpg";
    const app::WideText second = u"/photos/c%2.jpg";
    for (int id = static_cast<int>(app::MessageId::InvalidFileName);
         id <= static_cast<int>(app::MessageId::DialogFailed); ++id) {
        const app::UserMessage message(static_cast<app::MessageId>(id), first, second, 0xABC0DE01);
        EXPECT_EQ(wording::message(message), QString::fromStdU16String(app::japaneseText(message))) << id;
    }

    // And a box as the user meets it.
    const QString photo = copyOfPhoto(QStringLiteral("canon-40d.jpg"));
    window_->openFromCommandLine({QStringLiteral("lumivex-gui"), photo});
    ModalScript script({ModalScript::press(QMessageBox::No)});
    click(app::kDeleteButtonId);
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].title, QStringLiteral("処理開始の確認"));
    EXPECT_EQ(script.seen()[0].text, photo + QStringLiteral("\nのサムネイルを削除しますか?"));
}

TEST_F(WindowTest, AJpgNamedOnTheCommandLineGoesIntoTheSourcePane) {
    const QString photo = copyOfPhoto(QStringLiteral("canon-40d.jpg"));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QFileInfo(photo).absolutePath());
    window_->openFromCommandLine({QStringLiteral("lumivex-gui"), QFileInfo(photo).fileName()});
    QDir::setCurrent(previous);
    EXPECT_EQ(caption(app::kSourcePaneId), QFileInfo(photo).absoluteFilePath()) << "the whole path";
    EXPECT_FALSE(paneImage(app::kSourcePaneId).isNull());
    EXPECT_EQ(caption(app::kThumbnailPaneId), wording::panePrompt());

    // No argument, or a file that is no ".jpg", leaves the pane as it is.
    window_->openFromCommandLine({QStringLiteral("lumivex-gui")});
    window_->openFromCommandLine({QStringLiteral("lumivex-gui"), tempPath(QStringLiteral("notes.txt"))});
    EXPECT_EQ(caption(app::kSourcePaneId), QFileInfo(photo).absoluteFilePath());
}

}  // namespace
}  // namespace lumivex::qt::test
