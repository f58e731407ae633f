#include "widgets/ClrDropPal.h"

#include <QColorDialog>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>
#include <QWindow>
#include <algorithm>

#include "widgets/QtText.h"

namespace lintel {
namespace {

constexpr int kCustomColumns = 8;
constexpr int kCustomRows = 2;

// A one-pixel outline just inside `r`; `r` then shrinks by that pixel.
void Frame(QPainter& p, QRect& r, TColor color) {
    DrawOutline(p, r, color);
    r.adjust(1, 1, -1, -1);
}

// A sunken one-pixel edge: `topLeft` along the top and left, `bottomRight` along the
// bottom and right; `r` then shrinks by that pixel.
void SunkenEdge(QPainter& p, QRect& r, TColor topLeft, TColor bottomRight) {
    const QColor tl = ColorToQColor(topLeft);
    const QColor br = ColorToQColor(bottomRight);
    p.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), tl);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), tl);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
    r.adjust(1, 1, -1, -1);
}

}  // namespace

void DrawOutline(QPainter& p, const QRect& r, TColor color) {
    const QColor c = ColorToQColor(color);
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), c);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), c);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), c);
}

TColorArrayClass::TColorArrayClass(int xSize, int ySize) {
    SetXSize(xSize);
    SetYSize(ySize);
}

void TColorArrayClass::SetXSize(int value) {
    value = std::max(value, 0);
    if (value == xSize_)
        return;
    xSize_ = value;
    colors_.assign(static_cast<std::size_t>(Count()), clBlack);
}

void TColorArrayClass::SetYSize(int value) {
    value = std::max(value, 0);
    if (value == ySize_)
        return;
    ySize_ = value;
    colors_.assign(static_cast<std::size_t>(Count()), clBlack);
}

std::size_t TColorArrayClass::Offset(int x, int y) const {
    if (x < 1 || x > xSize_ || y < 1 || y > ySize_)
        throw EColorArrayIndexError();
    return static_cast<std::size_t>((y - 1) * xSize_ + (x - 1));
}

TColor TColorArrayClass::Get(int x, int y) const {
    return colors_[Offset(x, y)];
}

void TColorArrayClass::Set(int x, int y, TColor value) {
    colors_[Offset(x, y)] = value;
}

TColor TColorArrayClass::Get(int i) const {
    if (i < 1 || i > Count())
        throw EColorArrayIndexError();
    return colors_[static_cast<std::size_t>(i - 1)];
}

TColorArrayClass::TStoredForm TColorArrayClass::Stored() const {
    TStoredForm stored{xSize_, ySize_, {}};
    for (int x = 1; x <= xSize_; ++x)
        for (int y = 1; y <= ySize_; ++y) stored.Colors.push_back(Get(x, y));
    return stored;
}

void TColorArrayClass::LoadStored(const TStoredForm& stored) {
    SetXSize(stored.XSize);
    SetYSize(stored.YSize);
    std::size_t next = 0;
    for (int x = 1; x <= xSize_; ++x)
        for (int y = 1; y <= ySize_ && next < stored.Colors.size(); ++y)
            Set(x, y, stored.Colors[next++]);
}

TColorArrayClass DefaultPaletteColors() {
    // Column by column, top to bottom.
    static const TColor columns[4][5] = {
        {RGBColor(255, 255, 255), RGBColor(255, 0, 0), RGBColor(0, 255, 0), RGBColor(0, 0, 255),
         RGBColor(191, 215, 191)},
        {RGBColor(0, 0, 0), RGBColor(127, 0, 0), RGBColor(0, 127, 0), RGBColor(0, 0, 127),
         RGBColor(159, 191, 239)},
        {RGBColor(191, 191, 191), RGBColor(255, 255, 0), RGBColor(0, 255, 255),
         RGBColor(255, 0, 255), RGBColor(255, 247, 239)},
        {RGBColor(127, 127, 127), RGBColor(127, 127, 0), RGBColor(0, 127, 127),
         RGBColor(127, 0, 127), RGBColor(159, 159, 159)},
    };
    TColorArrayClass grid(4, 5);
    for (int x = 1; x <= 4; ++x)
        for (int y = 1; y <= 5; ++y) grid.Set(x, y, columns[x - 1][y - 1]);
    return grid;
}

TColorArrayClass DefaultCustomColors() {
    return Fitted(TColorArrayClass(), kCustomColumns, kCustomRows, clWhite);
}

TColorArrayClass Fitted(const TColorArrayClass& source, int xSize, int ySize, TColor fill) {
    TColorArrayClass grid(xSize, ySize);
    for (int x = 1; x <= xSize; ++x)
        for (int y = 1; y <= ySize; ++y)
            grid.Set(x, y, x <= source.XSize() && y <= source.YSize() ? source.Get(x, y) : fill);
    return grid;
}

TColorDropPalette::TColorDropPalette(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      btnOther_(new QPushButton(QStringLiteral("&Other"), this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kClientWidth, kClientHeight);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    btnOther_->setObjectName(QStringLiteral("btnOther"));
    btnOther_->setGeometry(2, kOtherTop, kClientWidth - 22, kOtherHeight);
    // The palette keeps the keyboard, so Enter chooses a cell rather than pressing the
    // button; the button is still reached by its accelerator.
    btnOther_->setFocusPolicy(Qt::NoFocus);
    connect(btnOther_, &QPushButton::clicked, this, [this] { btnOtherClick(); });
    // Another window of the program taking the focus, or none when the application lost
    // it, closes the palette.
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this] {
        if (HoldsFocus())
            wasActive_ = true;
        else if (wasActive_)
            CloseOnDeactivation();
    });
}

TColorDropPalette::~TColorDropPalette() = default;

void TColorDropPalette::SetOtherBtnCaption(const std::string& caption) {
    btnOther_->setText(FromCp932(caption));
}

void TColorDropPalette::SetOtherColor(TColor value) {
    otherColor_ = value;
    update();
}

void TColorDropPalette::SetPaletteColors(const TColorArrayClass& value) {
    paletteColors_ = Fitted(value, kColumns, kRows, clBlack);
    update();
}

void TColorDropPalette::SetCustomColors(const TColorArrayClass& value) {
    customColors_ = Fitted(value, kCustomColumns, kCustomRows, clWhite);
}

void TColorDropPalette::SetCurrentColor(TColor value) {
    currentColor_ = value;
    const TColor rgb = ColorToRGB(value);
    for (int y = 1; y <= kRows; ++y)
        for (int x = 1; x <= kColumns; ++x)
            if (ColorToRGB(paletteColors_.Get(x, y)) == rgb) {
                Select({x, y});
                return;
            }
    SetOtherColor(value);
    Select({0, 0});
}

TColorDropPalette::TCell TColorDropPalette::CellAt(QPoint p) {
    if (p.x() >= 0 && p.x() < kColumns * kCellSize && p.y() >= 0 && p.y() < kRows * kCellSize)
        return {p.x() / kCellSize + 1, p.y() / kCellSize + 1};
    if (p.x() >= kClientWidth - 19 && p.x() <= kClientWidth - 1 && p.y() >= 96 && p.y() <= 113)
        return {0, 0};
    return {};
}

bool TColorDropPalette::Valid(TCell cell) {
    return cell.y == 0 || (cell.x >= 1 && cell.x <= kColumns && cell.y >= 1 && cell.y <= kRows);
}

QRect TColorDropPalette::CellRect(TCell cell) {
    if (cell.y == 0) {
        const int t = kOtherTop + (kOtherHeight - 16) / 2;
        return QRect(QPoint(kClientWidth - 19, t - 1), QPoint(kClientWidth - 2, t + 16));
    }
    return QRect((cell.x - 1) * kCellSize, (cell.y - 1) * kCellSize, kCellSize, kCellSize);
}

TColor TColorDropPalette::CellColor(TCell cell) const {
    return cell.y == 0 ? otherColor_ : paletteColors_.Get(cell.x, cell.y);
}

void TColorDropPalette::DrawCell(QPainter& p, TCell cell, bool selected) const {
    QRect r = CellRect(cell);
    if (selected) {
        Frame(p, r, SystemColor(syscolor::k3DDkShadow));
        Frame(p, r, clBtnHighlight);
        Frame(p, r, SystemColor(syscolor::k3DDkShadow));
    } else {
        Frame(p, r, clBtnFace);
        SunkenEdge(p, r, clBtnShadow, clBtnHighlight);
        SunkenEdge(p, r, SystemColor(syscolor::k3DDkShadow), SystemColor(syscolor::k3DLight));
    }
    p.fillRect(r, ColorToQColor(CellColor(cell)));
}

void TColorDropPalette::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(clBtnFace));
    for (int y = 1; y <= kRows; ++y)
        for (int x = 1; x <= kColumns; ++x) DrawCell(p, {x, y}, selected_ == TCell{x, y});
    p.fillRect(QRect(2, 93, kClientWidth - 4, 1), ColorToQColor(clBtnShadow));
    p.fillRect(QRect(2, 94, kClientWidth - 4, 1), ColorToQColor(clBtnHighlight));
    DrawCell(p, {0, 0}, selected_.y == 0);
}

void TColorDropPalette::Select(TCell cell) {
    if (cell == selected_)
        return;
    selected_ = cell;
    update();
}

void TColorDropPalette::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    const TCell under = CellAt(mapFromGlobal(QCursor::pos()));
    if (Valid(under))
        Select(under);
    windowHandle()->requestActivate();
    setFocus();
}

void TColorDropPalette::mouseMoveEvent(QMouseEvent* event) {
    const TCell cell = CellAt(event->position().toPoint());
    if (Valid(cell))
        Select(cell);
}

void TColorDropPalette::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !rect().contains(p))
        return;
    Choose(CellAt(p));
    close();
}

void TColorDropPalette::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            closedByKey_ = true;
            close();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Choose(selected_);
            closedByKey_ = true;
            close();
            return;
        default:
            break;
    }
    if (!Valid(selected_)) {
        Select({1, 1});
        return;
    }
    TCell cell = selected_;
    // The other-colour box chosen by the mouse belongs to no column; it lies under the
    // last one.
    const int column = cell.x >= 1 ? cell.x : kColumns;
    switch (event->key()) {
        case Qt::Key_Left:
            if (cell.y != 0)
                cell.x = cell.x == 1 ? kColumns : cell.x - 1;
            break;
        case Qt::Key_Right:
            if (cell.y != 0)
                cell.x = cell.x == kColumns ? 1 : cell.x + 1;
            break;
        case Qt::Key_Up:
            // The other-colour box (y = 0) lies between the bottom row and the top one.
            cell = {column, cell.y == 0 ? kRows : cell.y - 1};
            break;
        case Qt::Key_Down:
            cell = {column, cell.y == kRows ? 0 : cell.y + 1};
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    Select(cell);
}

void TColorDropPalette::Choose(TCell cell) {
    if (Valid(cell) && OnColorChosen)
        OnColorChosen(cell.y == 0, CellColor(cell));
}

void TColorDropPalette::btnOtherClick() {
    auto* dialog = new QColorDialog(ColorToQColor(otherColor_), this);
    // Qt's own dialog: it shows the sixteen custom colours set here and hands them back.
    dialog->setOption(QColorDialog::DontUseNativeDialog);
    auto customCell = [](int k) { return TCell{k % kCustomColumns + 1, k / kCustomColumns + 1}; };
    for (int k = 0; k < kCustomColumns * kCustomRows; ++k) {
        const TCell c = customCell(k);
        QColorDialog::setCustomColor(k, ColorToQColor(customColors_.Get(c.x, c.y)));
    }
    const QPointer<TColorDropPalette> self(this);
    colorDialogOpen_ = true;
    const int result = dialog->exec();
    if (!self)
        return;
    colorDialogOpen_ = false;
    if (result != QDialog::Accepted) {
        delete dialog;
        windowHandle()->requestActivate();
        return;
    }
    otherColor_ = QColorToColor(dialog->selectedColor());
    delete dialog;
    for (int k = 0; k < kCustomColumns * kCustomRows; ++k) {
        const QColor back = QColorDialog::customColor(k);
        const TCell c = customCell(k);
        customColors_.Set(c.x, c.y, back.isValid() ? QColorToColor(back) : clWhite);
    }
    if (OnColorChosen)
        OnColorChosen(true, otherColor_);
    close();
}

bool TColorDropPalette::HoldsFocus() const {
    // Qt counts a window active while the window it stands over is, so only the focus
    // window itself tells: this one, or a dialog of its own.
    const QWindow* focus = QGuiApplication::focusWindow();
    const QWindow* self = windowHandle();
    return focus != nullptr && self != nullptr && (focus == self || self->isAncestorOf(focus));
}

void TColorDropPalette::CloseOnDeactivation() {
    if (!colorDialogOpen_)
        close();
}

void TColorDropPalette::closeEvent(QCloseEvent* event) {
    if (colorDialogOpen_) {
        event->ignore();
        return;
    }
    event->accept();
    if (closed_)
        return;
    closed_ = true;
    if (OnClosed)
        OnClosed();
}

void TColorDropPalette::ColorHintText(TColor color, int x, int y, QString& text) {
    if (OnGetColorHintText)
        OnGetColorHintText(HintSender != nullptr ? HintSender : this, color, x, y, text);
}

QString TColorDropPalette::RaiseColorHintText(TCell cell) {
    const TColor color = CellColor(cell);
    const QColor rgb = ColorToQColor(color);
    QString text = QString::asprintf("RGB = %.3d %.3d %.3d", rgb.red(), rgb.green(), rgb.blue());
    ColorHintText(color, cell.x, cell.y, text);
    return text;
}

bool TColorDropPalette::HintAt(QPoint p, QString& text, QRect& rect) {
    const TCell cell = CellAt(p);
    if (!showHints_ || !Valid(cell))
        return false;
    rect = CellRect(cell);
    text = RaiseColorHintText(cell);
    return !text.isEmpty();
}

bool TColorDropPalette::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    QString text;
    QRect area;
    if (HintAt(help->pos(), text, area))
        QToolTip::showText(help->globalPos(), text, this, area);
    else
        QToolTip::hideText();
    return true;
}

}  // namespace lintel
