// Multi-line text placed in a rectangle the way the labels of the bar expect it: lines
// broken at CR LF, CR or LF, optional word wrap, tabs every eight average characters,
// optional "&" prefixes, and left, right or centred lines. Text is clipped to the
// rectangle.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

namespace lintel::textdraw {

enum Flag : unsigned {
    kLeft = 0x0,
    kCenter = 0x1,
    kRight = 0x2,
    kWordBreak = 0x10,
    kExpandTabs = 0x40,
    kNoPrefix = 0x800,
};

/// The rectangle `text` occupies when placed at the top left of `rect`: without word
/// wrap as wide as its widest line, with word wrap as wide as its widest wrapped line
/// within rect's width; one font line height (ascent plus descent) per line.
QRect Measure(const QFont& font, const QString& text, const QRect& rect, unsigned flags);

/// Draws `text` into `rect` in `color`, clipped to `rect`. Draws nothing outside it and
/// paints no background.
void Draw(QPainter& painter, const QFont& font, const QString& text, const QRect& rect,
          unsigned flags, const QColor& color);

}  // namespace lintel::textdraw
