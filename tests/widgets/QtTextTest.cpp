#include <gtest/gtest.h>

#include "platform/Cp932.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

// Code page 932 bytes and Qt text convert both ways; characters that have no code page
// 932 form are reported, not dropped silently.
TEST(QtTextTest, ConvertsBothWaysAndReportsLoss) {
    const std::string bytes = cp932::Literal("ﾊﾞｰｼﾞｮﾝ情報 <Blue / Band>");
    const QString text = FromCp932(bytes);
    EXPECT_EQ(text, QString::fromUtf8("ﾊﾞｰｼﾞｮﾝ情報 <Blue / Band>"));
    const cp932::Encoded back = ToCp932(text);
    EXPECT_TRUE(back.Complete());
    EXPECT_EQ(back.bytes, bytes);

    const cp932::Encoded lossy = ToCp932(QString::fromUtf8("a\u00e9b\U0001F600"));
    EXPECT_EQ(lossy.bytes, "a?b?");
    EXPECT_EQ(lossy.unmapped, std::u32string(U"\u00e9\U0001F600"));

    // A lone lead byte is not a character.
    EXPECT_EQ(FromCp932("a\x82"), QString::fromUtf8("a\uFFFD"));
    EXPECT_TRUE(FromCp932("").isEmpty());
}

// A typed literal shows as typed; a user's text keeps its ampersands as plain text.
TEST(QtTextTest, LiteralsAndUserTextAsShown) {
    EXPECT_EQ(Text("再生(&P)"), QString::fromUtf8("再生(&P)"));
    EXPECT_EQ(ShownAsTyped(cp932::Literal("Rock & Roll")), QStringLiteral("Rock && Roll"));
    EXPECT_EQ(ShownAsTyped("&&"), QStringLiteral("&&&&"));
}

// Each kind of line break, and each pair, becomes exactly one break.
TEST(QtTextTest, UnifiesLineBreaks) {
    EXPECT_EQ(UnifyLineBreaks("a\r\nb"), "a\nb");
    EXPECT_EQ(UnifyLineBreaks("a\n\rb"), "a\nb");
    EXPECT_EQ(UnifyLineBreaks("a\rb"), "a\nb");
    EXPECT_EQ(UnifyLineBreaks("a\nb"), "a\nb");
    EXPECT_EQ(UnifyLineBreaks("a\r\n\r\nb"), "a\n\nb");
    EXPECT_EQ(UnifyLineBreaks("a\n\r\nb"), "a\n\nb");
    EXPECT_EQ(UnifyLineBreaks("a\r\rb"), "a\n\nb");
    EXPECT_EQ(UnifyLineBreaks("\r\n"), "\n");
    EXPECT_EQ(UnifyLineBreaks("plain"), "plain");
}

}  // namespace
}  // namespace lintel
