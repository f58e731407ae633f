#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/CdTextDecode.h"
#include "platform/Cp932.h"

namespace lintel {
namespace {

// CD-Text as a drive hands it out: 18-byte packs (type, track, sequence number, block and
// character position, 12 bytes of text, CRC), each language block closed by its three
// size-information packs.
class PackWriter {
public:
    struct Block {
        std::uint8_t charset;   // 0x00 ISO 8859-1, 0x80 MS-JIS
        std::uint8_t language;  // 0x09 English, 0x69 Japanese
        bool doubleByte;
        std::vector<std::string> titles;      // disc, then track 1..n
        std::vector<std::string> performers;  // likewise
    };

    std::vector<std::uint8_t> Write(const std::vector<Block>& blocks) {
        std::vector<std::array<std::uint8_t, 36>> infos;
        std::vector<std::vector<std::array<std::uint8_t, 18>>> packsOf;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            std::vector<std::array<std::uint8_t, 18>> packs;
            std::array<std::uint8_t, 36> info{};
            Text(packs, 0x80, blocks[b], blocks[b].titles, static_cast<int>(b));
            info[4] = static_cast<std::uint8_t>(packs.size());
            const std::size_t titlePacks = packs.size();
            Text(packs, 0x81, blocks[b], blocks[b].performers, static_cast<int>(b));
            info[5] = static_cast<std::uint8_t>(packs.size() - titlePacks);
            info[0] = blocks[b].charset;
            info[1] = 1;
            info[2] = static_cast<std::uint8_t>(blocks[b].titles.size() - 1);
            info[4 + 15] = 3;
            infos.push_back(info);
            packsOf.push_back(packs);
        }
        // Every block's size information lists the last sequence number (within its block)
        // and the language of every block.
        std::vector<std::uint8_t> out;
        int sequence = 0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            sequence = static_cast<int>(packsOf[b].size()) + 3;
            for (auto& info : infos) {
                info[20 + b] = static_cast<std::uint8_t>(sequence - 1);
                info[28 + b] = blocks[b].language;
            }
        }
        sequence = 0;
        for (std::size_t b = 0; b < blocks.size(); ++b) {
            sequence = 0;  // numbered within each block
            for (auto& pack : packsOf[b]) {
                pack[2] = static_cast<std::uint8_t>(sequence++);
                Append(out, pack);
            }
            for (int i = 0; i < 3; ++i) {
                std::array<std::uint8_t, 18> pack{};
                pack[0] = 0x8F;
                pack[1] = static_cast<std::uint8_t>(i);
                pack[2] = static_cast<std::uint8_t>(sequence++);
                pack[3] = static_cast<std::uint8_t>(b << 4);
                std::copy_n(infos[b].begin() + 12 * i, 12, pack.begin() + 4);
                Append(out, pack);
            }
        }
        return out;
    }

private:
    // The strings one after another, each ended by one NUL (two for double-byte text),
    // cut into 12-byte pieces.
    static void Text(std::vector<std::array<std::uint8_t, 18>>& packs, std::uint8_t type,
                     const Block& block, const std::vector<std::string>& strings, int blockNo) {
        std::vector<std::uint8_t> stream;
        std::vector<std::pair<int, int>> startOf;  // (track, stream offset)
        for (std::size_t t = 0; t < strings.size(); ++t) {
            startOf.emplace_back(static_cast<int>(t), static_cast<int>(stream.size()));
            stream.insert(stream.end(), strings[t].begin(), strings[t].end());
            stream.push_back(0);
            if (block.doubleByte)
                stream.push_back(0);
        }
        for (std::size_t at = 0; at < stream.size(); at += 12) {
            std::array<std::uint8_t, 18> pack{};
            pack[0] = type;
            int track = 0;
            int offset = 0;
            for (auto [t, start] : startOf) {
                if (start <= static_cast<int>(at)) {
                    track = t;
                    offset = start;
                }
            }
            const int position = static_cast<int>(at) - offset;
            const int chars = block.doubleByte ? position / 2 : position;
            pack[1] = static_cast<std::uint8_t>(track);
            pack[3] = static_cast<std::uint8_t>((block.doubleByte ? 0x80 : 0) | (blockNo << 4) |
                                                (chars > 15 ? 15 : chars));
            for (std::size_t i = 0; i < 12 && at + i < stream.size(); ++i)
                pack[4 + i] = stream[at + i];
            packs.push_back(pack);
        }
    }

    // CRC-16 (CCITT) over the first 16 bytes, inverted, as CD-Text carries it.
    static void Append(std::vector<std::uint8_t>& out, std::array<std::uint8_t, 18> pack) {
        std::uint16_t crc = 0;
        for (int i = 0; i < 16; ++i) {
            crc ^= static_cast<std::uint16_t>(pack[i] << 8);
            for (int bit = 0; bit < 8; ++bit)
                crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
        }
        crc = static_cast<std::uint16_t>(~crc);
        pack[16] = static_cast<std::uint8_t>(crc >> 8);
        pack[17] = static_cast<std::uint8_t>(crc & 0xFF);
        out.insert(out.end(), pack.begin(), pack.end());
    }
};

std::optional<CdText> Decode(const std::vector<std::uint8_t>& packs) {
    return DecodeCdTextPacks(packs.data(), packs.size());
}

// An English ISO 8859-1 block first and a Japanese MS-JIS block second: the Japanese one
// is chosen and its code page 932 text comes out as UTF-8.
TEST(CdTextDecode, PrefersTheJapaneseBlockAndDecodesMsJis) {
    const PackWriter::Block english{
        0x00, 0x09, false, {"Caf\xE9 Songs", "Morning", "Evening"}, {"The Band", "", ""}};
    const PackWriter::Block japanese{
        0x80,
        0x69,
        true,
        {cp932::Literal("喫茶の歌"), cp932::Literal("朝"), cp932::Literal("夕べ")},
        {cp932::Literal("楽団"), "", ""}};
    const std::optional<CdText> text = Decode(PackWriter().Write({english, japanese}));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->title, "喫茶の歌");
    EXPECT_EQ(text->performer, "楽団");
    EXPECT_EQ(text->trackTitles, (std::vector<std::string>{"朝", "夕べ"}));
}

// Without a Japanese block the first block is taken; ISO 8859-1 becomes UTF-8.
TEST(CdTextDecode, TakesTheFirstBlockOtherwise) {
    const PackWriter::Block english{
        0x00, 0x09, false, {"Caf\xE9 Songs", "Morning", "Evening"}, {"The Band", "", ""}};
    const PackWriter::Block german{0x00, 0x08, false, {"Lieder", "Morgen", "Abend"}, {"", "", ""}};
    const std::optional<CdText> text = Decode(PackWriter().Write({english, german}));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->title, "Café Songs");
    EXPECT_EQ(text->performer, "The Band");
    EXPECT_EQ(text->trackTitles, (std::vector<std::string>{"Morning", "Evening"}));
}

TEST(CdTextDecode, NothingFromBytesThatAreNoCdText) {
    EXPECT_FALSE(DecodeCdTextPacks(nullptr, 0));
    const std::vector<std::uint8_t> noise(18 * 4, 0x5A);
    EXPECT_FALSE(Decode(noise));
}

}  // namespace
}  // namespace lintel
