// Every key of lintel.ini that holds a setting of the bar, with its type and its
// default, in one table. The engine, the apply and save operations and their tests all
// read section names, key names and defaults from here, so a key cannot be spelt two ways.
//
// Title records and the resume record live in the same file but belong to their own
// units; they are not listed here.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "titles/IniStore.h"

namespace lintel {

/// How a value is stored: integers and colours as signed decimal text, booleans as
/// "1" or "0", strings as code page 932 bytes.
enum class TKeyType { Integer, Boolean, Colour, String };

/// Every setting of the bar, one name per section and key.
enum class TSetting {
    // [CDName_Font]
    CnName,
    CnInsideColor,
    CnBorderColor,
    CnSize,
    CnBold,
    CnItalic,
    CnVisible,
    CnSpace,
    CnUseBack,
    // [Track_Font]
    TrName,
    TrInsideColor,
    TrBorderColor,
    TrSize,
    TrBold,
    TrItalic,
    TrVisible,
    TrSpace,
    TrUseBack,
    // [TimeBar]
    TbVisible,
    TbFontName,
    TbFontSize,
    TbBold,
    TbItalic,
    TbForeColor,
    TbBackColor,
    TbWidth,
    TbHeight,
    TbPosition,
    TbPosX,
    TbPosY,
    // [Back]
    BackItemIndex,
    BackColor,
    // [Config]
    ConfigPosition,
    ConfigOrder,
    ConfigTopMost,
    ConfigAutoHide,
    ConfigVisiOpe,
    ConfigVisiOpeType,
    ConfigAutoPlay,
    ConfigCDROMClose,
    ConfigResumption,
    ConfigDrive,
    ConfigTimerInt,
    // [iPosition]
    PosOpX,
    PosOpY,
    PosTbX,
    PosTbY,
    PosDocH,
    PosCnX,
    PosCnY,
    PosTrX,
    PosTrY,
    // [KnownCD]
    KnownCDFolder,
    // [Lookup]: read only, so a mirror or a test's stand-in can be named by hand
    LookupServer,
    Count_
};

/// Whether a key has one fixed default, one its reader computes (the panel's corner),
/// or none because it is only ever written (positions stored at close).
enum class TDefaultKind { Fixed, Computed, None };

/// Who reads a key. Every reader of a key sees the row's one default, except for the
/// readers of [Config] "Drive" named here, which keep defaults of their own (see
/// TSettingKey::readerText).
enum class TReader { Any, DiscDetection, SettingsDialog };

/// One row of the table.
struct TSettingKey {
    TSetting id;
    std::string_view section;
    std::string_view key;
    TKeyType type;
    TDefaultKind defaultKind;
    /// Default of an integer, boolean (0 or 1) or colour key.
    std::int32_t number;
    /// Default of a string key, code page 932 bytes.
    std::string text;
    /// Values a reader may use safely; a stored value outside them reads as the
    /// default (see ReadBounded). The full range where every value is harmless.
    std::int32_t lowest;
    std::int32_t highest;
    /// Readers whose default of a string key is not `text`, with theirs.
    std::map<TReader, std::string> readerText;
};

/// The whole table in the order of TSetting. Built once, on first use.
[[nodiscard]] const std::vector<TSettingKey>& SettingKeys();

/// The row of `id`.
[[nodiscard]] const TSettingKey& Key(TSetting id);

/// The default `reader` sees for string key `id`: its own, else the row's.
[[nodiscard]] const std::string& DefaultText(TSetting id, TReader reader = TReader::Any);

/// A poll interval written as decimal text: whole milliseconds from 0 to 2147483647,
/// with optional leading blanks and "+". Anything else (a unit, a fraction, hexadecimal,
/// a negative or too large number) gives nothing, and the caller keeps its default.
[[nodiscard]] std::optional<int> ParseMilliseconds(std::string_view text);

// Typed access through the store, with the table's default. The reader of a key whose
// default is computed passes it; a key of the wrong type is a programming fault and
// throws std::logic_error.
[[nodiscard]] std::int32_t ReadInteger(TIniStore& store, TSetting id);
[[nodiscard]] std::int32_t ReadInteger(TIniStore& store, TSetting id, std::int32_t computedDefault);
/// ReadInteger, except that a value outside the key's safe range gives the default.
[[nodiscard]] std::int32_t ReadBounded(TIniStore& store, TSetting id);
[[nodiscard]] bool ReadBool(TIniStore& store, TSetting id);
/// A string key with the default `reader` sees.
[[nodiscard]] std::string ReadString(TIniStore& store, TSetting id, TReader reader = TReader::Any);
/// A string key that holds milliseconds (ParseMilliseconds); text that is no such number
/// reads as the row's default.
[[nodiscard]] int ReadMilliseconds(TIniStore& store, TSetting id);

void WriteInteger(TIniStore& store, TSetting id, std::int32_t value);
void WriteBool(TIniStore& store, TSetting id, bool value);
void WriteString(TIniStore& store, TSetting id, std::string_view value);

/// The nine keys of a label's font section, so one operation serves both labels.
struct TLabelFontKeys {
    TSetting name, insideColor, borderColor, size, bold, italic, visible, space, useBack;
};
[[nodiscard]] const TLabelFontKeys& DiscLabelKeys();
[[nodiscard]] const TLabelFontKeys& TrackLabelKeys();

}  // namespace lintel
