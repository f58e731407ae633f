// The in-memory INI store that holds lintel.ini: read once when opened, served from
// memory, written back whole only when something changed.
//
// Texts are code page 932 bytes and are never converted. Section names and keys are
// compared ignoring the case of ASCII letters only (cp932::FoldCase). Every line, and
// every text passed to or returned by the read and write operations, is at most
// kMaxLine bytes, cut so that no double-byte character is split.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Outcome.h"
#include "titles/TSectionList.h"

namespace lintel {

using TStringList = std::vector<std::string>;

/// Decimal with an optional sign, or hexadecimal after "$" (after the sign, if any).
/// Leading blanks are allowed; anything else fails, a trailing blank included.
/// Hexadecimal takes up to 32 bits and wraps into the signed range, as colour values with
/// the top bit set need. Nullopt when the text is no such number.
[[nodiscard]] std::optional<std::int32_t> ParseInteger(std::string_view text);

/// The INI store. A missing file is an empty store; a file that exists but cannot be read
/// is reported by LoadFromFile and is then never overwritten by UpdateFile.
class TIniStore {
public:
    static constexpr std::size_t kMaxLine = 255;

    /// Loads `fileName` (see LoadFromFile) and clears the changed flag.
    explicit TIniStore(std::string fileName);
    /// Releases the store: writes the file back if it changed. A failure can only go to
    /// standard error here; owners that can tell the user call UpdateFile first.
    virtual ~TIniStore();
    TIniStore(const TIniStore&) = delete;
    TIniStore& operator=(const TIniStore&) = delete;

    /// The value of `key` in `section`, else `def`. Never changes the store.
    [[nodiscard]] virtual std::string ReadString(std::string_view section, std::string_view key,
                                                 std::string_view def);
    /// Stores key=value, creating the section and the key when missing. An empty key
    /// erases the section when the section or the value is not empty, and writes the file
    /// back when all three are empty (throwing std::runtime_error if that fails).
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value);
    /// Decimal with an optional sign, or hexadecimal after "$" or "0x"; else `def`.
    [[nodiscard]] virtual std::int32_t ReadInteger(std::string_view section, std::string_view key,
                                                   std::int32_t def);
    virtual void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    /// True for any non-zero integer; `def` when the value is missing or not a number.
    [[nodiscard]] virtual bool ReadBool(std::string_view section, std::string_view key, bool def);
    virtual void WriteBool(std::string_view section, std::string_view key, bool value);
    /// Appends the key of every body line (text before the first "=", empty without one).
    virtual void ReadSection(std::string_view section, TStringList& target);
    /// Replaces `target` with the section names in file order.
    virtual void ReadSections(TStringList& target);
    /// Appends every body line of the section verbatim; nothing when it does not exist.
    virtual void ReadSectionValues(std::string_view section, TStringList& target);
    virtual void EraseSection(std::string_view section);
    virtual void DeleteKey(std::string_view section, std::string_view key);
    /// Appends "[name]", the body lines and one empty line for every non-empty section.
    virtual void ReadAll(TStringList& target);
    /// Writes the file back if changed and clears the flag; done at once when unchanged.
    /// On failure the message names the file and the reason; the file on disk is then
    /// untouched and the store stays changed, so a later call can retry.
    virtual Outcome UpdateFile();
    /// Replaces the contents with the file's. Fails when the file exists but cannot be
    /// read (LoadError keeps the message); the store is then empty and will not overwrite
    /// that file. A missing file loads as an empty store.
    virtual Outcome LoadFromFile(std::string fileName);

    [[nodiscard]] const std::string& FileName() const { return fileName_; }
    [[nodiscard]] bool Changed() const { return changed_; }
    /// The message of a failed load, if the last load failed.
    [[nodiscard]] const std::optional<std::string>& LoadError() const { return loadError_; }

    /// Exactly the bytes UpdateFile writes: sections with body lines, CR LF line ends.
    [[nodiscard]] std::string Serialize() const;

private:
    enum class IfMissing { ReturnNull, Create };
    /// The section named `section` ignoring case; when there is none, nullptr or a new one.
    [[nodiscard]] TSectionList::Section* FindSection(std::string_view section, IfMissing missing);
    void Parse(std::string_view contents);

    std::string fileName_;
    bool changed_ = false;
    TSectionList sections_;
    std::optional<std::string> loadError_;
};

/// The store on the settings file of this program: the executable's own file name in its
/// folder, with the extension replaced by ".ini" (lintel.ini for the executable lintel).
class TAppIniFile : public TIniStore {
public:
    TAppIniFile();
    /// The file name the parameterless constructor uses, for the executable at `exe`.
    [[nodiscard]] static std::string FileNameFor(const std::string& exe);
};

}  // namespace lintel
