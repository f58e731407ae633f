// The sections of the INI store in file order, each with its body lines, and the index that
// finds them by name ignoring the case of ASCII letters (cp932::FoldCase).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace lintel {

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

        [[nodiscard]] bool Empty() const { return body.empty(); }
        [[nodiscard]] std::size_t LineCount() const;
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
    [[nodiscard]] std::size_t Count() const { return sections_.size(); }
    [[nodiscard]] const Section& operator[](std::size_t i) const { return *sections_[i]; }

    /// The section whose name equals `name` ignoring case, or nullptr. The section found
    /// last is tried first, since consecutive calls mostly address the same section.
    [[nodiscard]] Section* Find(std::string_view name);
    /// Appends a section named exactly `name`. The caller has checked that Find fails;
    /// a name that matches an existing section throws std::logic_error.
    Section& Add(std::string_view name);
    /// Appends a section named `name` unless one matches it already: then nullptr.
    [[nodiscard]] Section* AddUnique(std::string_view name);
    /// The same with the name's hash known, as the loader does after Prefetch.
    [[nodiscard]] Section* AddUnique(std::string_view name, std::uint64_t hash);
    /// Starts fetching where a name of this hash goes, so that adding it later does not
    /// wait for memory.
    void Prefetch(std::uint64_t hash) const { index_.Prefetch(hash); }
    /// The hash of a name that all spellings equal to it ignoring case share.
    [[nodiscard]] static std::uint64_t HashName(std::string_view name);
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
        [[nodiscard]] Section* Find(std::string_view name, std::uint64_t hash) const;
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

}  // namespace lintel
