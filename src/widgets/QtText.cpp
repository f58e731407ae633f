#include "widgets/QtText.h"

namespace lintel {

QString FromCp932(std::string_view bytes) {
    const std::u16string wide = cp932::Decode(bytes);
    return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

QString Text(std::string_view utf8) {
    return FromCp932(cp932::Literal(utf8));
}

QString ShownAsTyped(std::string_view cp932Text) {
    QString text = FromCp932(cp932Text);
    text.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return text;
}

cp932::Encoded ToCp932(const QString& text) {
    const std::u16string_view wide(reinterpret_cast<const char16_t*>(text.utf16()),
                                   static_cast<std::size_t>(text.size()));
    return cp932::Encode(wide);
}

QString UnifyLineBreaks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            out += c;
            continue;
        }
        out += u'\n';
        // The other half of a CR LF or LF CR pair belongs to the same break.
        if (i + 1 < text.size()) {
            const QChar next = text[i + 1];
            if ((next == u'\r' || next == u'\n') && next != c) {
                ++i;
            }
        }
    }
    return out;
}

QString WithoutMnemonic(const QString& caption) {
    QString spoken;
    spoken.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && ++i == caption.size())
            break;
        spoken += caption[i];
    }
    return spoken;
}

}  // namespace lintel
