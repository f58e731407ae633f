// The one place where code page 932 text meets Qt: every std::string the program keeps
// holds code page 932 bytes, every QString is Unicode, and conversion happens only here.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "platform/Cp932.h"

namespace lintel {

/// The Unicode form of code page 932 bytes; bytes that form no character show as U+FFFD.
QString FromCp932(std::string_view bytes);

/// The code page 932 form of `text`. Characters without a code page 932 form become '?'
/// and are listed in the result's `unmapped`, so the caller decides whether that loss is
/// acceptable (a typed title, say) or must be reported.
cp932::Encoded ToCp932(const QString& text);

/// A text typed in the source (UTF-8) as a window shows it: through code page 932, so
/// that it shows exactly what the program would store.
QString Text(std::string_view utf8);

/// Code page 932 text typed by the user (a title, a name) as a caption of a menu item or a
/// button shows it: an ampersand in it is no accelerator.
QString ShownAsTyped(std::string_view cp932Text);

/// A caption as a screen reader says it: without the "&" that marks its access key;
/// "&&" is one "&".
QString WithoutMnemonic(const QString& caption);

/// `text` with every line break (CR LF, LF CR, a lone CR or a lone LF) turned into one
/// '\n', the only break Qt's message boxes and labels understand. Pairs are taken left
/// to right, so "\r\n\r\n" is two breaks and "\n\r\n" is two as well.
QString UnifyLineBreaks(const QString& text);

}  // namespace lintel
