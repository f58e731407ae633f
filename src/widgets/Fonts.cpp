#include "widgets/Fonts.h"

#include <QFont>
#include <QFontDatabase>

namespace lintel {
namespace {

// The CJK families of the font database, Japanese ones first: a Chinese or Korean font
// still has the kanji and usually the kana, which beats boxes. Asking the database for a
// writing system looks at every installed font, so this is asked once.
QStringList CjkFamilies() {
    QStringList out;
    for (const auto system : {QFontDatabase::Japanese, QFontDatabase::SimplifiedChinese,
                              QFontDatabase::TraditionalChinese, QFontDatabase::Korean}) {
        for (const QString& name : QFontDatabase::families(system)) {
            if (!out.contains(name, Qt::CaseInsensitive) && !QFontDatabase::isPrivateFamily(name))
                out << name;
        }
    }
    return out;
}

// The substitutes for one name: the preferred ones that are installed, then the other
// CJK families in the font database's order.
QStringList SubstitutesFor(const QStringList& preferred, const QStringList& installed,
                           const QStringList& cjk) {
    QStringList out;
    for (const QString& name : preferred) {
        if (installed.contains(name, Qt::CaseInsensitive))
            out << name;
    }
    for (const QString& name : cjk) {
        if (!out.contains(name, Qt::CaseInsensitive))
            out << name;
    }
    return out;
}

void Register(const QString& name, const QStringList& substitutes) {
    const QStringList already = QFont::substitutes(name);
    for (const QString& s : substitutes) {
        if (!already.contains(s, Qt::CaseInsensitive))
            QFont::insertSubstitution(name, s);
    }
}

}  // namespace

QString ProportionalGothicName() {
    return QString::fromUtf8("ＭＳ Ｐゴシック");
}
QString FixedGothicName() {
    return QString::fromUtf8("ＭＳ ゴシック");
}

QStringList RegisterFontSubstitutes() {
    const QStringList installed = QFontDatabase::families();
    const QStringList cjk = CjkFamilies();
    const QStringList proportional = SubstitutesFor({"IPAPGothic", "IPAGothic"}, installed, cjk);
    const QStringList fixed = SubstitutesFor({"IPAGothic", "IPAPGothic"}, installed, cjk);
    Register(ProportionalGothicName(), proportional);
    Register(FixedGothicName(), fixed);
    return proportional;
}

}  // namespace lintel
