#include <gtest/gtest.h>

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>

#include "WidgetTest.h"
#include "platform/Cp932.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"

namespace lintel {
namespace {

// The font names the settings use resolve to installed Japanese fonts, the proportional one to
// IPA P Gothic and the fixed one to IPA Gothic, and they cover kana and kanji.
TEST(FontsTest, SettingsFontNamesResolveToJapaneseFonts) {
    test::App();                                          // registers the substitutes
    const QStringList first = RegisterFontSubstitutes();  // again: nothing duplicated
    ASSERT_FALSE(first.isEmpty());
    EXPECT_EQ(first.front(), "IPAPGothic");
    // Qt keeps substitute names in lower case.
    EXPECT_EQ(QFont::substitutes(ProportionalGothicName()).count("ipapgothic"), 1);
    EXPECT_EQ(QFont::substitutes(FixedGothicName()).value(0), "ipagothic");

    QFont proportional(ProportionalGothicName());
    proportional.setPixelSize(19);
    EXPECT_EQ(QFontInfo(proportional).family(), "IPAPGothic");
    QFont fixed(FixedGothicName());
    fixed.setPixelSize(19);
    EXPECT_EQ(QFontInfo(fixed).family(), "IPAGothic");

    // The names as the settings file stores them decode to the registered names.
    EXPECT_EQ(FromCp932(cp932::Literal("ＭＳ Ｐゴシック")), ProportionalGothicName());
    EXPECT_EQ(FromCp932(cp932::Literal("ＭＳ ゴシック")), FixedGothicName());

    const QFontMetrics metrics(proportional);
    for (char16_t c : {u'コ', u'ロ', u'情', u'報', u'ﾊ'}) {
        EXPECT_TRUE(metrics.inFont(QChar(c))) << static_cast<int>(c);
    }
}

}  // namespace
}  // namespace lintel
