#include "settings/SettingsKeys.h"

#include <charconv>
#include <limits>
#include <stdexcept>
#include <tuple>

#include "platform/Cp932.h"

namespace lintel {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Largest font the dialog offers; beyond it a label could outgrow any screen, and a
// size of 0 or less is no size at all.
constexpr std::int32_t kFontLowest = 1;
constexpr std::int32_t kFontHighest = 999;
// The gauge's sizes as the dialog offers them; larger pictures only waste memory.
constexpr std::int32_t kGaugeHighest = 2000;
// Child positions far outside any screen overflow the toolkit's rectangle arithmetic.
constexpr std::int32_t kCoordLowest = -32768;
constexpr std::int32_t kCoordHighest = 32767;

TSettingKey Number(TSetting id, std::string_view section, std::string_view key, std::int32_t def,
                   std::int32_t lowest = kMin, std::int32_t highest = kMax) {
    return {id, section, key, TKeyType::Integer, TDefaultKind::Fixed, def, {}, lowest, highest, {}};
}

TSettingKey Colour(TSetting id, std::string_view section, std::string_view key, std::int32_t def) {
    return {id, section, key, TKeyType::Colour, TDefaultKind::Fixed, def, {}, kMin, kMax, {}};
}

TSettingKey Flag(TSetting id, std::string_view section, std::string_view key, bool def) {
    return {id, section, key, TKeyType::Boolean, TDefaultKind::Fixed, def ? 1 : 0, {}, 0, 1, {}};
}

TSettingKey Text(TSetting id, std::string_view section, std::string_view key, std::string def) {
    return {id, section, key, TKeyType::String, TDefaultKind::Fixed, 0, std::move(def), 0, 0, {}};
}

TSettingKey Computed(TSetting id, std::string_view section, std::string_view key) {
    return {id, section, key, TKeyType::Integer, TDefaultKind::Computed, 0, {}, kMin, kMax, {}};
}

TSettingKey WrittenOnly(TSetting id, std::string_view section, std::string_view key) {
    return {id, section, key, TKeyType::Integer, TDefaultKind::None, 0, {}, kMin, kMax, {}};
}

std::vector<TSettingKey> BuildTable() {
    // The one place the Japanese default face is spelt; every reader gets these bytes.
    const std::string gothic = cp932::Literal("ＭＳ Ｐゴシック");

    using S = TSetting;
    std::vector<TSettingKey> t;
    t.reserve(static_cast<std::size_t>(S::Count_));

    for (const auto& [section, first, size] :
         {std::tuple{std::string_view("CDName_Font"), S::CnName, 9},
          std::tuple{std::string_view("Track_Font"), S::TrName, 24}}) {
        const int base = static_cast<int>(first);
        auto id = [base](int offset) { return static_cast<S>(base + offset); };
        t.push_back(Text(id(0), section, "Name", gothic));
        t.push_back(Colour(id(1), section, "Inside_Color", 0xFFFFFF));
        t.push_back(Colour(id(2), section, "Border_Color", 0x000000));
        t.push_back(Number(id(3), section, "Size", size, kFontLowest, kFontHighest));
        t.push_back(Flag(id(4), section, "Bold", false));
        t.push_back(Flag(id(5), section, "Italic", false));
        t.push_back(Flag(id(6), section, "Visible", true));
        t.push_back(Flag(id(7), section, "Space", false));
        t.push_back(Flag(id(8), section, "UseBack", true));
    }

    constexpr std::string_view tb = "TimeBar";
    t.push_back(Flag(S::TbVisible, tb, "Visible", true));
    t.push_back(Text(S::TbFontName, tb, "FontName", gothic));
    t.push_back(Number(S::TbFontSize, tb, "FontSize", 9, kFontLowest, kFontHighest));
    t.push_back(Flag(S::TbBold, tb, "Bold", false));
    t.push_back(Flag(S::TbItalic, tb, "Italic", false));
    t.push_back(Colour(S::TbForeColor, tb, "Tr_F_color", 0x00FF00));
    t.push_back(Colour(S::TbBackColor, tb, "Tr_B_color", 0x008000));
    t.push_back(Number(S::TbWidth, tb, "Width", 144, 0, kGaugeHighest));
    t.push_back(Number(S::TbHeight, tb, "Height", 12, 0, kGaugeHighest));
    t.push_back(Number(S::TbPosition, tb, "Position", 0));
    t.push_back(Number(S::TbPosX, tb, "PosX", 0, kCoordLowest, kCoordHighest));
    t.push_back(Number(S::TbPosY, tb, "PosY", 0, kCoordLowest, kCoordHighest));

    t.push_back(Number(S::BackItemIndex, "Back", "ItemIndex", 0));
    t.push_back(Colour(S::BackColor, "Back", "Color", 0));

    constexpr std::string_view cfg = "Config";
    t.push_back(Number(S::ConfigPosition, cfg, "Position", 1));
    t.push_back(Number(S::ConfigOrder, cfg, "Order", 0));
    t.push_back(Flag(S::ConfigTopMost, cfg, "TopMost", false));
    t.push_back(Flag(S::ConfigAutoHide, cfg, "AutoHide", false));
    t.push_back(Flag(S::ConfigVisiOpe, cfg, "VisiOpe", true));
    t.push_back(Number(S::ConfigVisiOpeType, cfg, "VisiOpeType", 0));
    t.push_back(Flag(S::ConfigAutoPlay, cfg, "AutoPlay", false));
    t.push_back(Flag(S::ConfigCDROMClose, cfg, "CDROMClose", false));
    t.push_back(Flag(S::ConfigResumption, cfg, "Resumption", false));
    // The CD device's set-up reads an absent drive as the system's default device; disc
    // detection reads it as the marker of "no drive chosen yet", and the settings dialog
    // shows a likely drive letter.
    t.push_back(Text(S::ConfigDrive, cfg, "Drive", ""));
    t.back().readerText = {{TReader::DiscDetection, "-1"}, {TReader::SettingsDialog, "Q:"}};
    t.push_back(Text(S::ConfigTimerInt, cfg, "TimerInt", "1000"));

    constexpr std::string_view pos = "iPosition";
    t.push_back(Computed(S::PosOpX, pos, "Op_X"));
    t.push_back(Computed(S::PosOpY, pos, "Op_Y"));
    t.push_back(WrittenOnly(S::PosTbX, pos, "Tb_X"));
    t.push_back(WrittenOnly(S::PosTbY, pos, "Tb_Y"));
    // A bar thinner than one pixel could never be seen again to be set right.
    t.push_back(Number(S::PosDocH, pos, "DocH", 48, 1, kGaugeHighest));
    t.push_back(WrittenOnly(S::PosCnX, pos, "Cn_X"));
    t.push_back(WrittenOnly(S::PosCnY, pos, "Cn_Y"));
    t.push_back(WrittenOnly(S::PosTrX, pos, "Tr_X"));
    t.push_back(WrittenOnly(S::PosTrY, pos, "Tr_Y"));

    t.push_back(Text(S::KnownCDFolder, "KnownCD", "MyZosho", ""));
    t.push_back(Text(S::LookupServer, "Lookup", "Server", "https://musicbrainz.org"));

    for (std::size_t i = 0; i < t.size(); ++i) {
        if (static_cast<std::size_t>(t[i].id) != i) {
            throw std::logic_error("settings table out of order at " + std::string(t[i].key));
        }
    }
    if (t.size() != static_cast<std::size_t>(S::Count_)) {
        throw std::logic_error("settings table incomplete");
    }
    return t;
}

const TSettingKey& Typed(TSetting id, TKeyType a, TKeyType b) {
    const TSettingKey& k = Key(id);
    if (k.type != a && k.type != b) {
        throw std::logic_error("setting " + std::string(k.section) + "/" + std::string(k.key) +
                               " used with the wrong type");
    }
    return k;
}

const TSettingKey& NumberKey(TSetting id) {
    return Typed(id, TKeyType::Integer, TKeyType::Colour);
}

}  // namespace

const std::vector<TSettingKey>& SettingKeys() {
    static const std::vector<TSettingKey> table = BuildTable();
    return table;
}

const TSettingKey& Key(TSetting id) {
    const auto& table = SettingKeys();
    const auto index = static_cast<std::size_t>(id);
    if (index >= table.size()) {
        throw std::logic_error("no such setting");
    }
    return table[index];
}

const std::string& DefaultText(TSetting id, TReader reader) {
    const TSettingKey& k = Typed(id, TKeyType::String, TKeyType::String);
    const auto own = k.readerText.find(reader);
    return own != k.readerText.end() ? own->second : k.text;
}

std::optional<int> ParseMilliseconds(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;
    }
    std::int64_t value = 0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (first == last || error != std::errc() || end != last || value < 0 ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::int32_t ReadInteger(TIniStore& store, TSetting id) {
    const TSettingKey& k = NumberKey(id);
    if (k.defaultKind != TDefaultKind::Fixed) {
        throw std::logic_error("setting " + std::string(k.key) + " has no fixed default");
    }
    return store.ReadInteger(k.section, k.key, k.number);
}

std::int32_t ReadInteger(TIniStore& store, TSetting id, std::int32_t computedDefault) {
    const TSettingKey& k = NumberKey(id);
    return store.ReadInteger(k.section, k.key, computedDefault);
}

std::int32_t ReadBounded(TIniStore& store, TSetting id) {
    const TSettingKey& k = NumberKey(id);
    const std::int32_t value = ReadInteger(store, id);
    return value < k.lowest || value > k.highest ? k.number : value;
}

bool ReadBool(TIniStore& store, TSetting id) {
    const TSettingKey& k = Typed(id, TKeyType::Boolean, TKeyType::Boolean);
    return store.ReadBool(k.section, k.key, k.number != 0);
}

std::string ReadString(TIniStore& store, TSetting id, TReader reader) {
    const TSettingKey& k = Key(id);
    return store.ReadString(k.section, k.key, DefaultText(id, reader));
}

int ReadMilliseconds(TIniStore& store, TSetting id) {
    const std::optional<int> fallback = ParseMilliseconds(DefaultText(id));
    if (!fallback) {
        throw std::logic_error("setting " + std::string(Key(id).key) +
                               " has no default in milliseconds");
    }
    return ParseMilliseconds(ReadString(store, id)).value_or(*fallback);
}

void WriteInteger(TIniStore& store, TSetting id, std::int32_t value) {
    const TSettingKey& k = NumberKey(id);
    store.WriteInteger(k.section, k.key, value);
}

void WriteBool(TIniStore& store, TSetting id, bool value) {
    const TSettingKey& k = Typed(id, TKeyType::Boolean, TKeyType::Boolean);
    store.WriteBool(k.section, k.key, value);
}

void WriteString(TIniStore& store, TSetting id, std::string_view value) {
    const TSettingKey& k = Typed(id, TKeyType::String, TKeyType::String);
    store.WriteString(k.section, k.key, value);
}

const TLabelFontKeys& DiscLabelKeys() {
    using S = TSetting;
    static const TLabelFontKeys keys{S::CnName,    S::CnInsideColor, S::CnBorderColor,
                                     S::CnSize,    S::CnBold,        S::CnItalic,
                                     S::CnVisible, S::CnSpace,       S::CnUseBack};
    return keys;
}

const TLabelFontKeys& TrackLabelKeys() {
    using S = TSetting;
    static const TLabelFontKeys keys{S::TrName,    S::TrInsideColor, S::TrBorderColor,
                                     S::TrSize,    S::TrBold,        S::TrItalic,
                                     S::TrVisible, S::TrSpace,       S::TrUseBack};
    return keys;
}

}  // namespace lintel
