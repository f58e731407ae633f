// The in-memory INI store that holds lintel.ini: read once when opened, served from
// memory, written back whole only when something changed.
//
// Texts are code page 932 bytes and are never converted. Section names and keys are
// compared ignoring the case of ASCII letters only (cp932::FoldCase). Every line, and
// every text passed to or returned by the read and write operations, is at most
// kMaxLine bytes, cut so that no double-byte character is split.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lintel {

using TStringList = std::vector<std::string>;

/// The sections of a store in file order, each with its body lines. Names are unique
/// ignoring case: the loader drops later duplicates, and a write creates a section only
/// when no name matches. Lookups are served from a hash index, so they never scan.
class TSectionList {
public:
    struct Section {
        std::string name;
        /// The body lines in order, each followed by CR LF as in the file. A line never
        /// holds CR or LF, so this is one allocation per section instead of one per line,
        /// and a section usually loads and writes as one block.
        std::string body;

        bool Empty() const { return body.empty(); }
        std::size_t LineCount() const;
        /// Calls fn(line) for every body line in order.
        template <typename Fn>
        void ForEachLine(Fn fn) const {
            std::size_t start = 0;
            while (start < body.size()) {
                const std::size_t end = body.find("\r\n", start);
                if (end == std::string::npos) {
                    // Every line ends in CR LF; a body that breaks this still ends here.
                    fn(std::string_view(body).substr(start));
                    return;
                }
                fn(std::string_view(body).substr(start, end - start));
                start = end + 2;
            }
        }
    };

    TSectionList();
    std::size_t Count() const { return sections_.size(); }
    const Section& operator[](std::size_t i) const { return *sections_[i]; }

    /// The section whose name equals `name` ignoring case, or nullptr. The section found
    /// last is tried first, since consecutive calls mostly address the same section.
    Section* Find(std::string_view name);
    /// Appends a section named exactly `name`. The caller has checked that Find fails;
    /// a name that matches an existing section throws std::logic_error.
    Section& Add(std::string_view name);
    /// Appends a section named `name` unless one matches it already: then nullptr.
    Section* AddUnique(std::string_view name);
    /// The same with the name's hash known, as the loader does after Prefetch.
    Section* AddUnique(std::string_view name, std::uint64_t hash);
    /// Starts fetching where a name of this hash goes, so that adding it later does not
    /// wait for memory.
    void Prefetch(std::uint64_t hash) const { index_.Prefetch(hash); }
    /// The hash of a name that all spellings equal to it ignoring case share.
    static std::uint64_t HashName(std::string_view name);
    /// Removes `section` (a pointer from Find or Add) with its body.
    void Remove(Section* section);
    void Clear();
    /// Prepares the index for about `count` sections.
    void Reserve(std::size_t count);

private:
    /// Finds sections by name ignoring case. Open addressing over (hash, section) slots:
    /// a probe touches one cache line and adding a section allocates nothing, which keeps
    /// loading a title database of many thousand discs quick.
    class Index {
    public:
        Section* Find(std::string_view name, std::uint64_t hash) const;
        /// Adds `section` unless a section of the same name is there: then returns that one.
        Section* Insert(Section* section, std::uint64_t hash);
        void Erase(const Section* section, std::uint64_t hash);
        void Reserve(std::size_t count);
        void Clear();
        void Prefetch(std::uint64_t hash) const {
            if (!slots_.empty()) {
                __builtin_prefetch(&slots_[Home(hash)]);
            }
        }

    private:
        struct Slot {
            std::uint64_t hash = 0;
            Section* section = nullptr;  ///< nullptr: free
        };
        std::size_t Home(std::uint64_t hash) const { return hash & (slots_.size() - 1); }
        void Grow(std::size_t capacity);

        std::vector<Slot> slots_;  ///< a power of two in size, never more than half full
        std::size_t count_ = 0;
    };

    std::vector<std::unique_ptr<Section>> sections_;
    Index index_;
    Section* cursor_ = nullptr;
};

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
    virtual std::string ReadString(std::string_view section, std::string_view key,
                                   std::string_view def);
    /// Stores key=value, creating the section and the key when missing. An empty key
    /// erases the section when the section or the value is not empty, and writes the file
    /// back when all three are empty (throwing std::runtime_error if that fails).
    virtual void WriteString(std::string_view section, std::string_view key,
                             std::string_view value);
    /// Decimal with an optional sign, or hexadecimal after "$" or "0x"; else `def`.
    virtual std::int32_t ReadInteger(std::string_view section, std::string_view key,
                                     std::int32_t def);
    virtual void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
    /// True for any non-zero integer; `def` when the value is missing or not a number.
    virtual bool ReadBool(std::string_view section, std::string_view key, bool def);
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
    /// Writes the file back if changed and clears the flag. Returns nothing on success
    /// (or when unchanged), else a message naming the file and the reason; the file on
    /// disk is then untouched and the store stays changed, so a later call can retry.
    virtual std::optional<std::string> UpdateFile();
    /// Replaces the contents with the file's. Returns a message when the file exists but
    /// cannot be read; the store is then empty and will not overwrite that file.
    virtual std::optional<std::string> LoadFromFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }
    bool Changed() const { return changed_; }
    /// The message of a failed load, if the last load failed.
    const std::optional<std::string>& LoadError() const { return loadError_; }

    /// Exactly the bytes UpdateFile writes: sections with body lines, CR LF line ends.
    std::string Serialize() const;

private:
    TSectionList::Section* FindSection(std::string_view section, bool create);
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
    static std::string FileNameFor(const std::string& exe);
};

}  // namespace lintel
