// The bar's settings name Japanese fonts that a Linux desktop does not have. Qt's font
// substitution maps them to installed Japanese fonts, so titles still show correctly.
#pragma once

#include <QString>
#include <QStringList>

namespace lintel {

/// The proportional and the fixed-pitch Japanese font names the settings use.
QString ProportionalGothicName();  // "ＭＳ Ｐゴシック"
QString FixedGothicName();         // "ＭＳ ゴシック"

/// Registers substitutes for both names: IPA P Gothic and IPA Gothic first (the
/// proportional one first for the proportional name), then every other installed font
/// that covers Japanese, then Chinese and Korean ones. Needs a QGuiApplication. Calling it again
/// changes nothing. Returns the substitutes registered for the proportional name.
QStringList RegisterFontSubstitutes();

}  // namespace lintel
