#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/Cp932.h"

namespace lintel::cp932 {
namespace {

// Half-width katakana, the NEC and IBM extensions and the vendor mappings that differ
// from plain Shift_JIS all decode as Windows shows them.
TEST(Cp932Decode, CoversTheVendorExtensions) {
    EXPECT_EQ(Decode("\xB1\xDF"), u"\uFF71\uFF9F");          // ｱﾟ
    EXPECT_EQ(Decode("\x87\x40"), u"\u2460");                // ① (NEC row 13)
    EXPECT_EQ(Decode("\xFA\x40"), u"\u2170");                // ⅰ (IBM extension)
    EXPECT_EQ(Decode("\x81\x60"), u"\uFF5E");                // full-width tilde
    EXPECT_EQ(Decode("\x82\x6C\x82\x72"), u"\uFF2D\uFF33");  // ＭＳ
    EXPECT_EQ(Decode("a\\~"), u"a\\~");                      // ASCII stays ASCII
}

// Bytes that form no character become U+FFFD one by one and decoding goes on after them.
TEST(Cp932Decode, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Decode("\x80"
                     "a"),
              u"\uFFFDa");
    EXPECT_EQ(Decode("a\xFD\xFE\xFF"), u"a\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Decode("\x81 b"), u"\uFFFD b");  // lead byte with an invalid trail
    EXPECT_EQ(Decode("x\x82"), u"x\uFFFD");    // lead byte at the very end
    EXPECT_EQ(Decode(std::string("\0\x82\xA0", 3)), std::u16string(u"\0\u3042", 2));
}

TEST(Cp932Encode, RoundTripsAndReportsCharactersWithoutAForm) {
    Encoded good = Encode(u"\u30A2\uFF71\u2460 x");
    EXPECT_TRUE(good.Complete());
    EXPECT_EQ(good.bytes, "\x83\x41\xB1\x87\x40 x");

    Encoded lossy = Encode(u"a\u00E9b\U0001F600c");  // é and an emoji have no form
    EXPECT_EQ(lossy.bytes, "a?b?c");
    EXPECT_EQ(lossy.unmapped, U"\u00E9\U0001F600");
}

TEST(Cp932Literal, ConvertsSourceTextOnceAndRefusesWhatCannotBeStored) {
    EXPECT_EQ(Literal("ＭＳ Ｐゴシック"),
              "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
    EXPECT_THROW(static_cast<void>(Literal("caf\u00E9")), std::logic_error);
    EXPECT_EQ(ToUtf8("\x83\x41\x80"), "\u30A2\uFFFD");
    Encoded badUtf8 = FromUtf8("a\xFFz");
    EXPECT_EQ(badUtf8.bytes, "a?z");
    EXPECT_FALSE(badUtf8.Complete());
}

// A cut never ends between the two bytes of a character.
TEST(Cp932Cut, KeepsDoubleByteCharactersWhole) {
    EXPECT_EQ(Cut("ab\x83\x41", 3), "ab");
    EXPECT_EQ(Cut("ab\x83\x41", 4), "ab\x83\x41");
    EXPECT_EQ(Cut("\xB1\xB2\xB3", 2), "\xB1\xB2");  // half-width katakana are single bytes
    EXPECT_EQ(Cut("a\x83", 5), "a\x83");            // a stray lead byte at the end is kept
    EXPECT_EQ(CutLength(std::string(300, 'x'), 255), 255u);
}

// Only ASCII letters fold; a trail byte in the letter range never does, or ア (83 41)
// would equal ヂ (83 61).
TEST(Cp932Trim, DropsBlanksAtBothEndsOnly) {
    EXPECT_EQ(Trim(" \t My Disc \t "), "My Disc");
    EXPECT_EQ(Trim("  \x83\x5C  "), "\x83\x5C");  // a double-byte character whose trail is '\\'
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim(""), "");
    // Only the bytes asked for: a CR stays unless named.
    EXPECT_EQ(Trim(" path\r"), "path\r");
    EXPECT_EQ(Trim(" path\r", " \t\r"), "path");
}

TEST(Cp932Case, FoldsOnlySingleByteAsciiLetters) {
    EXPECT_TRUE(EqualsIgnoreCase("3A2F1", "3a2f1"));
    EXPECT_FALSE(EqualsIgnoreCase("\x83\x41", "\x83\x61"));
    EXPECT_TRUE(EqualsIgnoreCase("X\x83\x41y", "x\x83\x41Y"));
    EXPECT_FALSE(EqualsIgnoreCase("ab", "abc"));
    EXPECT_EQ(FoldCase("AB\x83\x41Z"), "ab\x83\x41z");
    EXPECT_EQ(FoldCase("\x82\x60"), "\x82\x60");  // full-width Ａ keeps its case
}

}  // namespace
}  // namespace lintel::cp932
