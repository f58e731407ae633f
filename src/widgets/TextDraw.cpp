#include "widgets/TextDraw.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <vector>

namespace lintel::textdraw {
namespace {

// Splits at CR LF, a lone CR or a lone LF.
std::vector<QString> SplitLines(const QString& text) {
    std::vector<QString> lines;
    QString current;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            lines.push_back(current);
            current.clear();
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
                ++i;
            }
            continue;
        }
        current += c;
    }
    lines.push_back(current);
    return lines;
}

// Removes the "&" prefixes of `line`: "&&" is one "&", "&x" is an underlined x.
QString StripPrefixes(const QString& line, QList<QTextLayout::FormatRange>& formats) {
    QString out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'&' && i + 1 < line.size()) {
            ++i;
            if (line[i] != u'&') {
                QTextLayout::FormatRange range;
                range.start = static_cast<int>(out.size());
                range.length = 1;
                range.format.setFontUnderline(true);
                formats.append(range);
            }
            out += line[i];
            continue;
        }
        if (line[i] == u'&') {
            continue;  // a trailing prefix with nothing to mark
        }
        out += line[i];
    }
    return out;
}

// Lays out every paragraph with word wrap in `width` (when asked) and calls
// place(line) for every resulting line in order.
template <typename Place>
void LayOut(const QFont& font, const QString& text, int width, unsigned flags, Place place) {
    const QFontMetrics metrics(font);
    QTextOption option;
    option.setWrapMode((flags & kWordBreak) ? QTextOption::WordWrap : QTextOption::NoWrap);
    if (flags & kExpandTabs) {
        option.setTabStopDistance(8.0 * metrics.averageCharWidth());
    }
    for (const QString& raw : SplitLines(text)) {
        QList<QTextLayout::FormatRange> formats;
        const QString line = (flags & kNoPrefix) ? raw : StripPrefixes(raw, formats);
        QTextLayout layout(line, font);
        layout.setTextOption(option);
        layout.setFormats(formats);
        layout.setCacheEnabled(true);
        layout.beginLayout();
        std::vector<QTextLine> lines;
        for (;;) {
            QTextLine l = layout.createLine();
            if (!l.isValid()) {
                break;
            }
            l.setLineWidth((flags & kWordBreak) ? std::max(width, 1) : 1e6);
            lines.push_back(l);
        }
        layout.endLayout();
        for (QTextLine& l : lines) {
            place(layout, l);
        }
    }
}

int LineWidth(const QTextLine& line) {
    return static_cast<int>(std::ceil(line.naturalTextWidth()));
}

}  // namespace

QRect Measure(const QFont& font, const QString& text, const QRect& rect, unsigned flags) {
    const int lineHeight = QFontMetrics(font).height();
    int width = 0;
    int lines = 0;
    LayOut(font, text, rect.width(), flags, [&](QTextLayout&, QTextLine& line) {
        width = std::max(width, LineWidth(line));
        ++lines;
    });
    return QRect(rect.left(), rect.top(), width, lines * lineHeight);
}

void Draw(QPainter& painter, const QFont& font, const QString& text, const QRect& rect,
          unsigned flags, const QColor& color) {
    const QFontMetrics metrics(font);
    const int lineHeight = metrics.height();
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    painter.setPen(color);
    painter.setFont(font);
    int y = rect.top();
    LayOut(font, text, rect.width(), flags, [&](QTextLayout&, QTextLine& line) {
        const int w = LineWidth(line);
        int x = rect.left();
        if (flags & kRight) {
            x = rect.left() + rect.width() - w;
        } else if (flags & kCenter) {
            x = rect.left() + (rect.width() - w) / 2;
        }
        // The line's own origin is its top left; its baseline sits at the font ascent.
        line.draw(&painter, QPointF(x - line.x(), y - line.y()));
        y += lineHeight;
    });
    painter.restore();
}

}  // namespace lintel::textdraw
