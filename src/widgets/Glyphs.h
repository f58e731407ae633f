// The pictures on the operation panel's buttons, drawn from simple shapes so they stay
// sharp at the panel's small size and need no image files.
#pragma once

#include <QIcon>
#include <QImage>

namespace lintel {

enum class TGlyph {
    Play,
    Pause,
    Stop,
    Prev,
    Next,
    Eject,
    Close,
    Program,
    Repeat,
    TitleEdit,
    Settings,
    Help,
    Exit
};

/// The glyph drawn black on a transparent square of `size` pixels.
QImage GlyphImage(TGlyph glyph, int size);

/// The glyph as a button icon; Qt greys it out when the button is disabled.
QIcon GlyphIcon(TGlyph glyph);

}  // namespace lintel
