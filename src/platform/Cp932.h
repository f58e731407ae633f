// Code page 932 text: the byte form every stored file and every std::string of the
// logic uses, and its conversion to and from Unicode for the window system.
#pragma once

#include <string>
#include <string_view>

namespace lintel::cp932 {

/// True for a byte that starts a double-byte character (0x81-0x9F, 0xE0-0xFC).
[[nodiscard]] constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

/// Length of the longest prefix of `text` of at most `limit` bytes that does not end
/// inside a double-byte character. A lead byte with nothing after it counts as one byte.
[[nodiscard]] std::size_t CutLength(std::string_view text, std::size_t limit);

/// `text` cut to at most `limit` bytes without splitting a double-byte character.
[[nodiscard]] inline std::string_view Cut(std::string_view text, std::size_t limit) {
    return text.size() <= limit ? text : text.substr(0, CutLength(text, limit));
}

/// `text` without the bytes of `blanks` at either end. `blanks` holds ASCII characters
/// below '@' (blanks, control characters): no byte of a double-byte character is one of
/// those, so trimming never splits a character.
[[nodiscard]] constexpr std::string_view Trim(std::string_view text,
                                              std::string_view blanks = " \t") {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

/// Folds the ASCII letters of single-byte characters to lower case. The second byte of a
/// double-byte character is never folded, so two texts compare equal ignoring case exactly
/// when their folds are equal. Letters beyond ASCII (full-width ones among them) keep
/// their case: this is an honest limit, not the platform's locale-aware comparison.
[[nodiscard]] std::string FoldCase(std::string_view text);

/// Equal ignoring case in the sense of FoldCase, without building the folds.
[[nodiscard]] bool EqualsIgnoreCase(std::string_view a, std::string_view b);

/// Unicode text (UTF-16) for code page 932 bytes. Bytes that form no character become
/// U+FFFD, one per undecodable byte (a lead byte with a valid trail byte counts as one).
[[nodiscard]] std::u16string Decode(std::string_view bytes);

/// UTF-8 text for code page 932 bytes, with U+FFFD as Decode puts it; for the system's
/// own outputs, such as standard error.
[[nodiscard]] std::string ToUtf8(std::string_view bytes);

/// The result of encoding Unicode text as code page 932.
struct Encoded {
    std::string bytes;        ///< the text, with '?' for every character that has no form
    std::u32string unmapped;  ///< those characters, in order; empty when nothing was lost
    [[nodiscard]] bool Complete() const { return unmapped.empty(); }
};

/// Code page 932 bytes for UTF-16 text. Characters without a code page 932 form are not
/// dropped silently: each becomes '?' in `bytes` and is listed in `unmapped`.
[[nodiscard]] Encoded Encode(std::u16string_view text);

/// Code page 932 bytes for UTF-8 text from the system (file names, error texts), with the
/// same reporting of characters that have no form. Invalid UTF-8 bytes become '?' and are
/// listed (as their byte values) ahead of the unmapped characters.
[[nodiscard]] Encoded FromUtf8(std::string_view utf8);

/// Code page 932 bytes for UTF-8 text that must be stored as well as it can (titles a disc
/// or a web service gives): characters without a code page 932 form, and invalid UTF-8
/// bytes, are left out of `bytes` and listed in `unmapped` as FromUtf8 lists them.
[[nodiscard]] Encoded FromUtf8Dropping(std::string_view utf8);

/// Code page 932 bytes for a UTF-8 text written in a source file, such as a default
/// value that is stored in or compared with the settings file. Throws std::logic_error
/// when the text has a character without a code page 932 form, a fault of the program.
[[nodiscard]] std::string Literal(std::string_view utf8);

}  // namespace lintel::cp932
