#include "platform/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <functional>
#include <stdexcept>
#include <string>

namespace lintel::cp932 {
namespace {

constexpr unsigned char kTrailFirst = 0x40;
constexpr unsigned char kTrailLast = 0xFC;

// What to do with input that iconv cannot convert: skip `skip` input bytes and put
// `replacement` (already in the target encoding) in their place.
struct Repair {
    std::size_t skip;
    std::string replacement;
};
using RepairFn = std::function<Repair(std::string_view rest)>;

// Converts `input` from one encoding to another, asking `repair` at every byte sequence
// that iconv rejects (invalid, incomplete or without a form in the target).
std::string Convert(const char* to, const char* from, std::string_view input,
                    const RepairFn& repair) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " + to);
    }
    std::string out;
    std::string buffer(input.size() * 4 + 16, '\0');
    std::size_t pos = 0;
    while (pos < input.size()) {
        char* in = const_cast<char*>(input.data() + pos);
        std::size_t inLeft = input.size() - pos;
        char* dst = buffer.data();
        std::size_t dstLeft = buffer.size();
        std::size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
        int error = errno;
        out.append(buffer.data(), dst - buffer.data());
        pos = input.size() - inLeft;
        if (rc != static_cast<std::size_t>(-1)) {
            break;
        }
        // Either would make the loop spin forever (or read past the input), so both are
        // checked in every build: a buffer too small for one character, and a repair that
        // skips nothing or more than is left.
        if (error == E2BIG) {
            if (dst == buffer.data()) {
                iconv_close(cd);
                throw std::logic_error("conversion buffer too small for one character");
            }
            continue;
        }
        // EILSEQ or EINVAL: repair and start afresh after the bad sequence.
        Repair r = repair(input.substr(pos));
        if (r.skip == 0 || r.skip > input.size() - pos) {
            iconv_close(cd);
            throw std::logic_error("conversion repair skips " + std::to_string(r.skip) + " of " +
                                   std::to_string(input.size() - pos) + " bytes");
        }
        out += r.replacement;
        pos += r.skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

std::u16string FromUtf16Le(std::string_view bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return text;
}

std::string ToUtf16Le(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// The code point at the start of UTF-16LE `rest` and how many bytes it takes.
std::pair<char32_t, std::size_t> FirstCodePoint(std::string_view rest) {
    std::u16string units = FromUtf16Le(rest.substr(0, 4));
    if (units.empty()) {
        return {U'\0', rest.size()};
    }
    char16_t high = units[0];
    if (high >= 0xD800 && high <= 0xDBFF && units.size() > 1 && units[1] >= 0xDC00 &&
        units[1] <= 0xDFFF) {
        return {0x10000 + ((high - 0xD800) << 10) + (units[1] - 0xDC00), 4};
    }
    return {high, 2};
}

}  // namespace

std::size_t CutLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t i = 0;
    while (i < limit) {
        std::size_t width = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + width > limit) {
            break;
        }
        i += width;
    }
    return i;
}

std::string FoldCase(std::string_view text) {
    std::string folded(text);
    for (std::size_t i = 0; i < folded.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(folded[i]);
        if (IsLeadByte(c)) {
            ++i;  // the trail byte stays as it is
        } else if (c >= 'A' && c <= 'Z') {
            folded[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(x)) {
            if (x != y || (i + 1 < a.size() && a[i + 1] != b[i + 1])) {
                return false;
            }
            ++i;
            continue;
        }
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<unsigned char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<unsigned char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::u16string Decode(std::string_view bytes) {
    static const std::string kReplacement = ToUtf16Le(u"\uFFFD");
    std::string utf16 = Convert("UTF-16LE", "CP932", bytes, [](std::string_view rest) {
        unsigned char lead = static_cast<unsigned char>(rest[0]);
        bool pair = IsLeadByte(lead) && rest.size() > 1 &&
                    static_cast<unsigned char>(rest[1]) >= kTrailFirst &&
                    static_cast<unsigned char>(rest[1]) <= kTrailLast &&
                    static_cast<unsigned char>(rest[1]) != 0x7F;
        return Repair{pair ? 2u : 1u, kReplacement};
    });
    return FromUtf16Le(utf16);
}

std::string ToUtf8(std::string_view bytes) {
    return Convert("UTF-8", "UTF-16LE", ToUtf16Le(Decode(bytes)), [](std::string_view) {
        return Repair{2, "\xEF\xBF\xBD"};
    });
}

Encoded Encode(std::u16string_view text) {
    Encoded result;
    result.bytes = Convert("CP932", "UTF-16LE", ToUtf16Le(text), [&](std::string_view rest) {
        auto [codePoint, width] = FirstCodePoint(rest);
        result.unmapped += codePoint;
        return Repair{width, "?"};
    });
    return result;
}

namespace {

// UTF-8 to code page 932 with `replacement` (ASCII, possibly empty) in place of each byte
// that is no UTF-8 and each character that has no code page 932 form; both are listed.
Encoded FromUtf8Replacing(std::string_view utf8, std::string_view replacement) {
    const std::string wideReplacement =
        ToUtf16Le(std::u16string(replacement.begin(), replacement.end()));
    Encoded encoded;
    const std::string utf16 = Convert("UTF-16LE", "UTF-8", utf8, [&](std::string_view rest) {
        encoded.unmapped += static_cast<unsigned char>(rest[0]);
        return Repair{1, wideReplacement};
    });
    encoded.bytes = Convert("CP932", "UTF-16LE", utf16, [&](std::string_view rest) {
        auto [codePoint, width] = FirstCodePoint(rest);
        encoded.unmapped += codePoint;
        return Repair{width, std::string(replacement)};
    });
    return encoded;
}

}  // namespace

Encoded FromUtf8(std::string_view utf8) {
    return FromUtf8Replacing(utf8, "?");
}

Encoded FromUtf8Dropping(std::string_view utf8) {
    return FromUtf8Replacing(utf8, "");
}

std::string Literal(std::string_view utf8) {
    Encoded encoded = FromUtf8(utf8);
    if (!encoded.Complete()) {
        throw std::logic_error("text has no code page 932 form: " + std::string(utf8));
    }
    return encoded.bytes;
}

}  // namespace lintel::cp932
