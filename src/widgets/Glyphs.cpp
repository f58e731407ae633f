#include "widgets/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace lintel {

namespace {

// Shapes are laid out on a 12-unit grid and scaled to the requested size.
constexpr double kGrid = 12.0;

QPolygonF Triangle(double x0, double x1, bool pointRight) {
    if (pointRight)
        return QPolygonF({QPointF(x0, 2), QPointF(x1, 6), QPointF(x0, 10)});
    return QPolygonF({QPointF(x1, 2), QPointF(x0, 6), QPointF(x1, 10)});
}

void Draw(QPainter& p, TGlyph glyph) {
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    switch (glyph) {
        case TGlyph::Play:
            p.drawPolygon(Triangle(3, 10, true));
            break;
        case TGlyph::Pause:
            p.drawRect(QRectF(3, 2, 2.5, 8));
            p.drawRect(QRectF(6.5, 2, 2.5, 8));
            break;
        case TGlyph::Stop:
            p.drawRect(QRectF(2.5, 2.5, 7, 7));
            break;
        case TGlyph::Prev:
            p.drawRect(QRectF(2, 2, 1.5, 8));
            p.drawPolygon(Triangle(3.5, 10, false));
            break;
        case TGlyph::Next:
            p.drawPolygon(Triangle(2, 8.5, true));
            p.drawRect(QRectF(8.5, 2, 1.5, 8));
            break;
        case TGlyph::Eject:
            p.drawPolygon(QPolygonF({QPointF(6, 1.5), QPointF(10.5, 6.5), QPointF(1.5, 6.5)}));
            p.drawRect(QRectF(1.5, 8, 9, 2));
            break;
        case TGlyph::Close:
            p.drawRect(QRectF(1.5, 2, 9, 2));
            p.drawPolygon(QPolygonF({QPointF(1.5, 5.5), QPointF(10.5, 5.5), QPointF(6, 10.5)}));
            break;
        case TGlyph::Program:
            // A short list with a play mark: tracks in an order of one's own.
            p.drawRect(QRectF(1.5, 2, 5, 1.5));
            p.drawRect(QRectF(1.5, 5.25, 5, 1.5));
            p.drawRect(QRectF(1.5, 8.5, 5, 1.5));
            p.drawPolygon(Triangle(7.5, 11, true));
            break;
        case TGlyph::TitleEdit: {
            // A pencil lying from the bottom left to the top right.
            QPen pen(Qt::black, 2.2);
            p.setPen(pen);
            p.drawLine(QPointF(4, 8), QPointF(9.5, 2.5));
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF({QPointF(1.5, 10.5), QPointF(2.4, 7.2), QPointF(4.8, 9.6)}));
            break;
        }
        case TGlyph::Settings: {
            // A toothed wheel: eight teeth round a ring.
            p.save();
            p.translate(6, 6);
            for (int i = 0; i < 8; ++i) {
                p.drawRect(QRectF(-1, -5.5, 2, 3));
                p.rotate(45);
            }
            p.restore();
            QPen pen(Qt::black, 2);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QPointF(6, 6), 2.8, 2.8);
            break;
        }
        case TGlyph::Help: {
            QPen pen(Qt::black, 1.7);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(3.5, 1.5, 5, 4.5), 180 * 16, -250 * 16);
            p.drawLine(QPointF(6, 6.2), QPointF(6, 7.6));
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawEllipse(QPointF(6, 10), 1.1, 1.1);
            break;
        }
        case TGlyph::Repeat: {
            // An open circle with an arrow head at its end.
            QPen pen(Qt::black, 1.6);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawArc(QRectF(2, 2.5, 8, 7), 90 * 16, 270 * 16);
            p.setPen(Qt::NoPen);
            p.setBrush(Qt::black);
            p.drawPolygon(QPolygonF({QPointF(5, 0.5), QPointF(8.5, 2.5), QPointF(5, 4.5)}));
            break;
        }
        case TGlyph::Exit: {
            QPen pen(Qt::black, 1.8);
            pen.setCapStyle(Qt::RoundCap);
            p.setPen(pen);
            p.drawLine(QPointF(3, 3), QPointF(9, 9));
            p.drawLine(QPointF(9, 3), QPointF(3, 9));
            break;
        }
    }
}

}  // namespace

QImage GlyphImage(TGlyph glyph, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / kGrid, size / kGrid);
    Draw(p, glyph);
    return image;
}

QIcon GlyphIcon(TGlyph glyph) {
    QIcon icon;
    for (int size : {12, 16, 24}) icon.addPixmap(QPixmap::fromImage(GlyphImage(glyph, size)));
    return icon;
}

}  // namespace lintel
