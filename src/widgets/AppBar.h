// The desktop-toolbar base class of the bar window: docks a top-level window against a
// screen edge through the desktop-toolbar service, or lets it float; hides it in a thin
// strip when asked, keeps it above other windows, follows the user dragging it from edge
// to edge and animates every move.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "shell/AppBarShell.h"
#include "widgets/Slide.h"

namespace lintel {

/// Permissions of a bar; TAppBarFlags holds bit n for flag n.
enum TAppBarFlag : unsigned {
    abfAllowLeft = 0,
    abfAllowTop = 1,
    abfAllowRight = 2,
    abfAllowBottom = 3,
    abfAllowFloat = 4,
};
using TAppBarFlags = std::uint8_t;

constexpr TAppBarFlags AppBarFlag(TAppBarFlag f) {
    return static_cast<TAppBarFlags>(1u << f);
}
constexpr TAppBarFlags abfAll = 31;

enum class TAppBarTaskEntry { abtShow, abtHide, abtFloatDependent };

/// Where a point of the window lies for the pointer: its codes are those of the classic
/// hit-test answer, so the sizing codes are 10 to 17 in one run.
enum THitTest : int {
    htClient = 1,
    htCaption = 2,
    htLeft = 10,
    htRight = 11,
    htTop = 12,
    htTopLeft = 13,
    htTopRight = 14,
    htBottom = 15,
    htBottomLeft = 16,
    htBottomRight = 17,
    htBorder = 18,
};

/// Sides of a window being sized, numbered like the classic sizing message.
enum TSizingSide : int {
    wmszLeft = 1,
    wmszRight = 2,
    wmszTop = 3,
    wmszTopLeft = 4,
    wmszTopRight = 5,
    wmszBottom = 6,
    wmszBottomLeft = 7,
    wmszBottomRight = 8,
};

/// Smallest and largest size the user may give the window.
struct TMinMaxInfo {
    QSize MinTrackSize;
    QSize MaxTrackSize;
};

/// Window style bits the bar adds when it floats and removes when it docks.
constexpr unsigned wsCaption = 0xC00000;
constexpr unsigned wsSysMenu = 0x80000;

class TAppBar : public QWidget {
public:
    /// The message shown when another window already is the auto-hide bar of the edge.
    static const char* const kForcedOffAutoHideText;

    /// `shell` must outlive the bar.
    explicit TAppBar(TAppBarShell& shell, QWidget* parent = nullptr);
    ~TAppBar() override;

    TAppBarFlags Flags() const { return flags_; }
    void SetFlags(TAppBarFlags value) { flags_ = value & abfAll; }
    int HorzSizeInc() const { return horzSizeInc_; }
    void SetHorzSizeInc(int value) { horzSizeInc_ = value; }
    int VertSizeInc() const { return vertSizeInc_; }
    void SetVertSizeInc(int value) { vertSizeInc_ = value; }

    /// The edge a move in progress would give, else the edge the bar is at.
    TAppBarEdge Edge() const;
    /// Docks, floats or (abeUnknown) unregisters the bar, re-applying every setting.
    void SetEdge(TAppBarEdge value);

    // Stored only: they take effect at the next edge change or ReapplyEdge.
    bool AutoHide() const { return autoHide_; }
    void SetAutoHide(bool value) { autoHide_ = value; }
    bool AlwaysOnTop() const { return alwaysOnTop_; }
    void SetAlwaysOnTop(bool value) { alwaysOnTop_ = value; }
    int HorzDockSize() const { return horzDockSize_; }
    void SetHorzDockSize(int value) { horzDockSize_ = value; }
    int VertDockSize() const { return vertDockSize_; }
    void SetVertDockSize(int value) { vertDockSize_ = value; }

    bool SlideEffect() const { return slideEffect_; }
    void SetSlideEffect(bool value) { slideEffect_ = value; }
    /// Length of a slide, and the period of the auto-hide check.
    int SlideTime() const { return slideTime_; }
    void SetSlideTime(int value);

    /// The window rectangle while floating.
    TRect FloatRect() const { return floatRect_; }
    void SetFloatRect(const TRect& value) { floatRect_ = value; }

    int MinWidth() const { return minWidth_; }
    void SetMinWidth(int value) { minWidth_ = value; }
    int MinHeight() const { return minHeight_; }
    void SetMinHeight(int value) { minHeight_ = value; }
    int MaxWidth() const { return maxWidth_; }
    void SetMaxWidth(int value) { maxWidth_ = value; }
    int MaxHeight() const { return maxHeight_; }
    void SetMaxHeight(int value) { maxHeight_ = value; }
    int MinHorzDockSize() const { return minHorzDockSize_; }
    void SetMinHorzDockSize(int value) { minHorzDockSize_ = value; }
    int MinVertDockSize() const { return minVertDockSize_; }
    void SetMinVertDockSize(int value) { minVertDockSize_ = value; }
    int MaxHorzDockSize() const { return maxHorzDockSize_; }
    void SetMaxHorzDockSize(int value) { maxHorzDockSize_ = value; }
    int MaxVertDockSize() const { return maxVertDockSize_; }
    void SetMaxVertDockSize(int value) { maxVertDockSize_ = value; }
    TAppBarTaskEntry TaskEntry() const { return taskEntry_; }
    void SetTaskEntry(TAppBarTaskEntry value) { taskEntry_ = value; }

    /// abeUnknown except while a move runs, when it is the edge the move would give.
    TAppBarEdge ProposedEdge() const { return proposedEdge_; }
    bool FullScreenAppActive() const { return fullScreenAppActive_; }
    /// For an auto-hide bar: whether it is slid into view.
    bool HiddenBarShown() const { return hiddenBarShown_; }
    /// Whether the auto-hide timer watches the pointer.
    bool WatchingPointer() const { return autoHideTimer_.isActive(); }
    /// The caption bits currently asked of the window.
    unsigned WindowStyle() const { return style_; }

    /// The bar as the service knows it; registers the bar on first use.
    TBarId BarId();

    /// Called after every edge change with proposed false, and at each step of a move with
    /// proposed true and the edge the move would give. The base gives a floating bar a
    /// caption and takes it from a docked one.
    virtual void OnAppBarStateChange(bool proposed, TAppBarEdge edge);
    /// The service refused to make this bar the auto-hide bar of its edge.
    virtual void ForcedOffAutoHide();
    virtual void FullScreenAppChanged(bool open);
    virtual void ShellPosChanged();
    virtual void ShellWindowArrange(bool beginning);
    /// Applies the current edge again: owners call it after changing the thickness,
    /// AlwaysOnTop or AutoHide directly.
    virtual void ReapplyEdge();

    /// Handles one notification of the service.
    void AppBarCallback(TAppBarNotification code, std::intptr_t param);

    /// The rectangle the bar takes at `edge`: the screen less the other bars' strips, cut
    /// to the bar's thickness. A floating edge leaves `r` as it is.
    TRect DockedRect(TAppBarEdge edge, TRect r);
    /// Moves `r` to where a docked auto-hide bar stands shown or hidden; false (and `r`
    /// untouched) when the bar is not a docked auto-hide bar.
    bool AutoHidePlacement(bool show, TRect& r) const;
    /// Moves the window to `target`, gliding there over SlideTime when slides are on.
    void SlideTo(const TRect& target);
    /// Slides an auto-hide bar into view or out of it.
    void RevealAutoHidden(bool show);
    /// The periodic check that hides an auto-hide bar once the pointer has left it.
    void AutoHideTimerTick();

    /// The edge a move would give with the pointer at `c`.
    TAppBarEdge EdgeForCursor(QPoint c) const;
    /// Splits the screen along its diagonals, keeping only the edges `flags` allow.
    TAppBarEdge EdgeFromPoint(TAppBarFlags flags, QPoint c) const;

    /// The answer to a hit test whose toolkit answer is `h`, with the pointer at `cursor`,
    /// `client` the client area on the screen, whether the primary button is down and
    /// whether an enabled child control lies under the pointer.
    THitTest HitTest(THitTest h, QPoint cursor, const TRect& client, bool primaryDown,
                     bool overChild) const;

    // The move loop: the window follows the pointer and snaps to the edge under it.
    void EnterSizeMove();
    /// `p` is the rectangle the window would take; it comes back where the bar goes.
    void Moving(QPoint cursor, TRect& p);
    void ExitSizeMove();
    bool InSizeMove() const { return proposedEdge_ != abeUnknown; }

    /// Rounds a size the user drags to the size steps; only the dragged sides move.
    void Sizing(TSizingSide side, TRect& p) const;
    TMinMaxInfo GetMinMaxInfo() const;

    /// Sets the window style to (style without `remove`) with `add`; false when that
    /// changes nothing, in which case nothing is applied.
    bool ChangeWindowStyle(unsigned remove, unsigned add);

    /// The glide of the window's moves; tests step its clock and keep it from sleeping.
    TSlide& Slide() { return slide_; }

    /// The window's rectangle on the screen.
    TRect WindowRect() const;

protected:
    /// Shows an information message with an OK button.
    virtual void ShowInformation(const QString& text);

    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    /// Registers the bar with the service the first time it is needed.
    void EnsureRegistered();
    std::uintptr_t ShellBarCall(TAppBarMessage message, int edge, std::intptr_t param,
                                TRect* rect = nullptr);
    TAppBarEdge RegisteredAutoHideEdge();
    void SetWindowRect(const TRect& r);
    void ApplySizeLimits();
    bool Allowed(TAppBarFlag f) const { return (flags_ & AppBarFlag(f)) != 0; }

    TAppBarShell& shell_;
    TAppBarFlags flags_ = abfAll;
    int horzSizeInc_ = 1;
    int vertSizeInc_ = 1;
    TAppBarEdge edge_ = abeFloat;
    bool autoHide_ = false;
    bool alwaysOnTop_ = true;
    bool slideEffect_ = true;
    int slideTime_ = 400;
    int horzDockSize_ = 32;
    int vertDockSize_ = 32;
    TRect floatRect_;
    int minWidth_ = 0;
    int minHeight_ = 0;
    int maxWidth_ = 0;
    int maxHeight_ = 0;
    int minHorzDockSize_ = 0;
    int minVertDockSize_ = 0;
    int maxHorzDockSize_ = 0;
    int maxVertDockSize_ = 0;
    TAppBarTaskEntry taskEntry_ = TAppBarTaskEntry::abtFloatDependent;

    TAppBarEdge proposedEdge_ = abeUnknown;
    bool fullScreenAppActive_ = false;
    bool hiddenBarShown_ = false;
    unsigned style_ = 0;
    bool registered_ = false;
    bool destroying_ = false;
    /// The pointer is held by a move the bar runs itself.
    bool dragging_ = false;
    QPoint dragLast_;
    QTimer autoHideTimer_;
    TSlide slide_;
};

}  // namespace lintel
