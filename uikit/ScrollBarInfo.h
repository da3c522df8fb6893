#pragma once
// Windows scroll bar semantics on a QScrollBar: a range nMin..nMax with a page nPage,
// in which the position runs from nMin to nMax - nPage + 1, and the scroll codes the
// bar's user actions stand for.
class QScrollBar;

struct WinScrollInfo {
    int nMin = 0;
    int nMax = 0;
    int nPage = 0;
    int nPos = 0;
};

enum ScrollCode {
    SB_LINEUP = 0,
    SB_LINELEFT = 0,
    SB_LINEDOWN = 1,
    SB_LINERIGHT = 1,
    SB_PAGEUP = 2,
    SB_PAGELEFT = 2,
    SB_PAGEDOWN = 3,
    SB_PAGERIGHT = 3,
    SB_THUMBPOSITION = 4,
    SB_THUMBTRACK = 5,
    SB_TOP = 6,
    SB_BOTTOM = 7,
    SB_ENDSCROLL = 8,
};

// Sets range and page, keeping the position (clamped into the new range).
void SetScrollRange(QScrollBar* bar, int nMin, int nMax, int nPage);
// Sets range, page and position.
void SetScrollRange(QScrollBar* bar, int nMin, int nMax, int nPage, int nPos);
WinScrollInfo GetScrollInfo(const QScrollBar* bar);
int GetScrollPos(const QScrollBar* bar);
// Moves the bar to pos, clamped to the positions its range and page allow.
void SetScrollPos(QScrollBar* bar, int pos);

// The scroll code of a QAbstractSlider::SliderAction.
int ScrollCodeOfAction(int action);
// After the owner has handled an action, puts the slider back where the Windows
// position says (Qt would otherwise apply its own step once the action returns).
void SyncSliderToScrollPos(QScrollBar* bar);
