#include "dialogs/About.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

#include "platform/Cp932.h"
#include "widgets/Fonts.h"
#include "widgets/QtText.h"
#include "widgets/SystemColors.h"
#include "widgets/TrayIcon.h"

namespace lintel {
namespace {

QFont PixelFont(int pixels, bool bold = false) {
    QFont f(ProportionalGothicName());
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QLabel* AddLabel(QWidget* parent, const QString& text, int x, int y, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    label->adjustSize();
    label->move(x, y);
    return label;
}

// A read-only line that can be selected and copied, shown without a box on the
// button-face colour.
QLineEdit* AddContactLine(QWidget* parent, const QString& text, int x, int y, int w) {
    auto* edit = new QLineEdit(text, parent);
    edit->setReadOnly(true);
    edit->setAccessibleName(text);  // a reader names a line by what it says
    edit->setFrame(false);
    QPalette pal = edit->palette();
    pal.setColor(QPalette::Base, ColorToQColor(clBtnFace));
    edit->setPalette(pal);
    edit->setGeometry(x, y, w, 16);
    edit->setCursorPosition(0);
    return edit;
}

// A small picture of a musical note for the second picture of the dialog.
QPixmap NotePixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 32.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 128));
    p.drawEllipse(QRectF(6 * s, 20 * s, 9 * s, 7 * s));
    p.drawEllipse(QRectF(18 * s, 17 * s, 9 * s, 7 * s));
    p.drawRect(QRectF(13 * s, 5 * s, 2 * s, 18 * s));
    p.drawRect(QRectF(25 * s, 3 * s, 2 * s, 18 * s));
    p.drawPolygon(QPolygonF({QPointF(13 * s, 5 * s), QPointF(27 * s, 2 * s), QPointF(27 * s, 6 * s),
                             QPointF(13 * s, 9 * s)}));
    return pixmap;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(Text("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(311, 209);
    setFont(PixelFont(12));
    setWindowIcon(ProgramIcon());
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
    setPalette(pal);

    panel_ = new QFrame(this);
    panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel_->setGeometry(8, 8, 297, 161);

    auto* icon = new QLabel(panel_);
    icon->setPixmap(ProgramIcon().pixmap(32, 32));
    icon->setGeometry(32, 8, 32, 32);
    auto* note = new QLabel(panel_);
    note->setPixmap(NotePixmap(32));
    note->setGeometry(32, 40, 32, 32);

    productName_ = AddLabel(panel_, QStringLiteral("Lintel"), 80, 16, PixelFont(21, true));
    version_ = AddLabel(panel_, QStringLiteral("Ver.1.45"), 174, 23, PixelFont(16));
    AddLabel(panel_, Text("オーディオ CD プレーヤー バー"), 96, 48, PixelFont(12));

    auto* box = new QFrame(panel_);
    box->setFrameStyle(QFrame::Box | QFrame::Sunken);
    box->setGeometry(24, 80, 257, 65);
    AddLabel(box, Text("Linux (X11) / Qt 6 版"), 8, 6, PixelFont(12));
    AddContactLine(box, Text("不具合の報告: Lintel プロジェクトの課題一覧"), 8, 24, 241);
    AddContactLine(box, Text("設定: 実行ファイルの隣の lintel.ini"), 8, 42, 241);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setGeometry(86, 176, 155, 24);
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
    okButton_->setFocus();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

}  // namespace lintel
