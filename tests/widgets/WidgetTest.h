// Shared set-up of the widget tests: the one QApplication, fonts that draw without
// antialiasing so pixels can be compared exactly, and paint counting.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QWidget>

#include "support/QtApp.h"

namespace lintel::test {

/// A font whose glyphs are drawn in pure colours, so a copy of the text can be told
/// from the text itself pixel by pixel.
inline QFont SharpFont(int pixels, const QString& family = QStringLiteral("IPAGothic")) {
    QFont f(family);
    f.setPixelSize(pixels);
    f.setStyleStrategy(QFont::NoAntialias);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

/// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

/// Delivers the pending repaints of visible widgets.
inline void Flush() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

inline QRgb Rgb(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

}  // namespace lintel::test
