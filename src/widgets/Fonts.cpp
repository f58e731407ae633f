#include "widgets/Fonts.h"

#include <QFont>
#include <QFontDatabase>

namespace lintel {
namespace {

// The substitutes for one name: the preferred ones that are installed, then the other
// CJK families in the font database's order.
QStringList SubstitutesFor(const QStringList& preferred) {
    const QStringList installed = QFontDatabase::families();
    QStringList out;
    for (const QString& name : preferred) {
        if (installed.contains(name, Qt::CaseInsensitive))
            out << name;
    }
    // Japanese fonts first; a Chinese or Korean font still has the kanji and usually
    // the kana, which beats boxes.
    for (const auto system : {QFontDatabase::Japanese, QFontDatabase::SimplifiedChinese,
                              QFontDatabase::TraditionalChinese, QFontDatabase::Korean}) {
        for (const QString& name : QFontDatabase::families(system)) {
            if (!out.contains(name, Qt::CaseInsensitive) && !QFontDatabase::isPrivateFamily(name)) {
                out << name;
            }
        }
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
    const QStringList proportional = SubstitutesFor({"IPAPGothic", "IPAGothic"});
    const QStringList fixed = SubstitutesFor({"IPAGothic", "IPAPGothic"});
    Register(ProportionalGothicName(), proportional);
    Register(FixedGothicName(), fixed);
    return proportional;
}

}  // namespace lintel
