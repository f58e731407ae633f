#include <gtest/gtest.h>

#include <set>

#include "WidgetTest.h"
#include "widgets/Glyphs.h"

namespace lintel {
namespace {

// Every button shows a picture of its own, inside its square.
TEST(Glyphs, EachGlyphIsDrawnAndDiffersFromTheOthers) {
    test::App();
    std::set<QByteArray> seen;
    for (TGlyph g : {TGlyph::Play, TGlyph::Pause, TGlyph::Stop, TGlyph::Prev, TGlyph::Next,
                     TGlyph::Eject, TGlyph::Close, TGlyph::Program, TGlyph::Repeat,
                     TGlyph::TitleEdit, TGlyph::Settings, TGlyph::Help, TGlyph::Exit}) {
        const QImage image = GlyphImage(g, 12);
        ASSERT_EQ(image.size(), QSize(12, 12));
        int inked = 0;
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x) inked += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(inked, 10) << "glyph " << static_cast<int>(g) << " is nearly empty";
        EXPECT_LT(inked, 100) << "glyph " << static_cast<int>(g) << " fills its square";
        seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                               static_cast<int>(image.sizeInBytes())));
        EXPECT_FALSE(GlyphIcon(g).isNull());
    }
    EXPECT_EQ(seen.size(), 13u);
}

}  // namespace
}  // namespace lintel
