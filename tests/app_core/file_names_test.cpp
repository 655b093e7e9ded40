// The ".jpg" test, the chosen-path test and the UTF-8 / UTF-16 conversions.
#include "app/core/file_names.h"

#include <gtest/gtest.h>

#include "app/core/controls.h"
#include "app/core/utf16.h"

namespace lumivex::app {
namespace {

struct ExtensionCase {
    const char16_t* path;
    bool isJpg;
};

class JpgExtension : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(JpgExtension, MatchesOnlyTheFourLetterExtensionInAnyCase) {
    EXPECT_EQ(hasJpgExtension(GetParam().path), GetParam().isJpg) << utf8FromUtf16(GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(Paths, JpgExtension,
                         ::testing::Values(ExtensionCase{u"C:\\p\\a.jpg", true}, ExtensionCase{u"C:\\p\\a.JPG", true},
                                           ExtensionCase{u"/p/a.jPg", true}, ExtensionCase{u"a.png.jpg", true},
                                           ExtensionCase{u".jpg", true}, ExtensionCase{u"写真.jpg", true},
                                           ExtensionCase{u"C:\\p\\a.jpeg", false}, ExtensionCase{u"a.jpe", false},
                                           ExtensionCase{u"a.jpg.png", false}, ExtensionCase{u"C:\\p.jpg\\a", false},
                                           ExtensionCase{u"C:\\p.jpg\\", false}, ExtensionCase{u"a.jpg ", false},
                                           ExtensionCase{u"ajpg", false}, ExtensionCase{u"jpg", false},
                                           ExtensionCase{u"", false}, ExtensionCase{u"a.ｊｐｇ", false},
                                           ExtensionCase{u"a.jpg\u0130", false}));

TEST(ChosenPath, ThePromptAnEmptyCaptionAndOverlongTextNameNoFile) {
    EXPECT_FALSE(isChosenPath(kPanePrompt));
    EXPECT_FALSE(isChosenPath(u""));
    EXPECT_FALSE(isChosenPath(WideText(260, u'a')));
    EXPECT_TRUE(isChosenPath(WideText(259, u'a')));
    EXPECT_TRUE(isChosenPath(u"C:\\写真\\a.jpg"));
}

TEST(Utf16, RoundTripsJapaneseAndAstralTextAndReplacesBrokenInput) {
    const std::string text = "ファイルが見つかりません。 \xF0\x9F\x93\xB7 ok";
    const WideText wide = utf16FromUtf8(text);
    EXPECT_EQ(wide, u"ファイルが見つかりません。 \U0001F4F7 ok");
    EXPECT_EQ(utf8FromUtf16(wide), text);

    EXPECT_EQ(utf16FromUtf8("a\xFF"
                            "b"),
              u"a\uFFFDb");
    EXPECT_EQ(utf16FromUtf8("\xC0\x80"), u"\uFFFD\uFFFD");            // overlong
    EXPECT_EQ(utf16FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // a surrogate in UTF-8
    EXPECT_EQ(utf16FromUtf8("\xE3\x81"), u"\uFFFD\uFFFD");            // cut at the end
    EXPECT_EQ(utf8FromUtf16(u"a\xD800"
                            u"b"),
              "a\xEF\xBF\xBD"
              "b");
}

}  // namespace
}  // namespace lumivex::app
