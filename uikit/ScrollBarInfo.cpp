#include "uikit/ScrollBarInfo.h"

#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>

namespace {

const char kInfoMin[] = "bwScrollMin";
const char kInfoMax[] = "bwScrollMax";
const char kInfoPage[] = "bwScrollPage";
const char kInfoPos[] = "bwScrollPos";

int LastPosition(const WinScrollInfo& info)
{
    return std::max(info.nMin, info.nMax - std::max(info.nPage - 1, 0));
}

void Apply(QScrollBar* bar, const WinScrollInfo& info)
{
    bar->setProperty(kInfoMin, info.nMin);
    bar->setProperty(kInfoMax, info.nMax);
    bar->setProperty(kInfoPage, info.nPage);
    bar->setProperty(kInfoPos, info.nPos);
    const QSignalBlocker block(bar);
    bar->setRange(info.nMin, LastPosition(info));
    bar->setPageStep(std::max(info.nPage, 1));
    bar->setSingleStep(1);
    bar->setValue(info.nPos);
    bar->setSliderPosition(info.nPos);
}

int Clamp(const WinScrollInfo& info, int pos)
{
    return std::clamp(pos, info.nMin, LastPosition(info));
}

} // namespace

WinScrollInfo GetScrollInfo(const QScrollBar* bar)
{
    WinScrollInfo info;
    if (!bar)
        return info;
    info.nMin = bar->property(kInfoMin).toInt();
    info.nMax = bar->property(kInfoMax).toInt();
    info.nPage = bar->property(kInfoPage).toInt();
    info.nPos = bar->property(kInfoPos).toInt();
    return info;
}

void SetScrollRange(QScrollBar* bar, int nMin, int nMax, int nPage)
{
    if (!bar)
        return;
    WinScrollInfo info = GetScrollInfo(bar);
    info.nMin = nMin;
    info.nMax = nMax;
    info.nPage = std::max(nPage, 0);
    info.nPos = Clamp(info, info.nPos);
    Apply(bar, info);
}

void SetScrollRange(QScrollBar* bar, int nMin, int nMax, int nPage, int nPos)
{
    if (!bar)
        return;
    WinScrollInfo info{nMin, nMax, std::max(nPage, 0), 0};
    info.nPos = Clamp(info, nPos);
    Apply(bar, info);
}

int GetScrollPos(const QScrollBar* bar)
{
    return GetScrollInfo(bar).nPos;
}

void SetScrollPos(QScrollBar* bar, int pos)
{
    if (!bar)
        return;
    WinScrollInfo info = GetScrollInfo(bar);
    info.nPos = Clamp(info, pos);
    Apply(bar, info);
}

int ScrollCodeOfAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return SB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return SB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return SB_PAGEDOWN;
    case QAbstractSlider::SliderMove: return SB_THUMBTRACK;
    case QAbstractSlider::SliderToMinimum: return SB_TOP;
    case QAbstractSlider::SliderToMaximum: return SB_BOTTOM;
    default: return SB_ENDSCROLL;
    }
}

void SyncSliderToScrollPos(QScrollBar* bar)
{
    if (bar)
        bar->setSliderPosition(GetScrollPos(bar));
}
