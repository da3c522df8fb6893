#include "display/GridTable.h"

#include <QFontMetrics>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

#include "uikit/ScrollBarInfo.h"
#include "uikit/SurfaceDC.h"
#include "uikit/SurfaceDialog.h"

namespace {

constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kCyan = 0xFF00FFFFu;
constexpr int kGridCellHeight = 14;
constexpr int kMinColumnWidth = 10;

// Removes the last whole character (a surrogate pair counts as one).
void ChopCharacter(QString& s)
{
    if (s.size() >= 2 && s.back().isLowSurrogate() && s.at(s.size() - 2).isHighSurrogate())
        s.chop(2);
    else
        s.chop(1);
}

} // namespace

QFont GridFont()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("Century"));
        f.setFamilies({QStringLiteral("Century"), QStringLiteral("C059"), QStringLiteral("Century Schoolbook L"),
                       QStringLiteral("serif")});
        f.setStyleHint(QFont::Serif);
        f.setWeight(QFont::Normal);
        // The largest size whose text height fits the 14-pixel cell.
        for (int px = kGridCellHeight; px > 4; --px) {
            f.setPixelSize(px);
            if (QFontMetrics(f).height() <= kGridCellHeight)
                break;
        }
        return f;
    }();
    return font;
}

FittedCellText FitCellText(const QFontMetrics& metrics, const QString& text, int width)
{
    if (metrics.horizontalAdvance(text) < width - 4)
        return {text, true};
    QString s = text;
    while (!s.isEmpty()) {
        ChopCharacter(s);
        s += QStringLiteral("..");
        if (metrics.horizontalAdvance(s) < width - 4)
            return {s, false};
        s.chop(2);
    }
    return {QString(), false};
}

void CGridTable::Attach(CSurfaceDialog* parent, int areaId, int vScrollId, int hScrollId)
{
    m_parent = parent;
    m_areaId = areaId;
    m_vScrollId = vScrollId;
    m_hScrollId = hScrollId;
    const PixelRect r = parent ? parent->ControlRect(areaId) : PixelRect{};
    m_area = PixelRect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    // Rows added before any column still get the height the header will give them.
    m_rowHeight = QFontMetrics(m_font).height() + 4;
}

void CGridTable::AreaMoved()
{
    if (!m_parent)
        return;
    const PixelRect r = m_parent->ControlRect(m_areaId);
    m_area = PixelRect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
    UpdateVScroll();
    UpdateHScroll();
    RedrawAll();
}

QScrollBar* CGridTable::Bar(int id) const
{
    if (!m_parent || id <= 0)
        return nullptr;
    return qobject_cast<QScrollBar*>(m_parent->Control(id));
}

CSurfaceDC CGridTable::OpenDC() const
{
    return CSurfaceDC(m_parent->Surface(), m_parent);
}

int CGridTable::PageRows() const
{
    return m_area.Height() / m_rowHeight - 1;
}

int CGridTable::ColumnLeft(int k) const
{
    int x = m_area.left - m_hOffset;
    for (int c = 0; c < k; ++c)
        x += m_columns[static_cast<std::size_t>(c)].width;
    return x;
}

int CGridTable::RowAt(int y) const
{
    return (y - m_area.top) / m_rowHeight + m_firstRow - 1;
}

bool CGridTable::InHeader(int x, int y) const
{
    return x >= m_area.left && x <= m_area.right && y >= m_area.top && y <= m_area.top + m_rowHeight;
}

int CGridTable::BorderAt(int x, int y) const
{
    if (!InHeader(x, y))
        return -1;
    int left = m_area.left - m_hOffset;
    for (std::size_t k = 0; k < m_columns.size(); ++k) {
        const int e = left + m_columns[k].width;
        if (x >= e - 2 && x <= e + 2)
            return static_cast<int>(k);
        left = e;
    }
    return -1;
}

int CGridTable::TitleAt(int x, int y) const
{
    if (!InHeader(x, y))
        return -1;
    int left = m_area.left - m_hOffset;
    for (std::size_t k = 0; k < m_columns.size(); ++k) {
        const int right = left + m_columns[k].width;
        if (x >= left && x <= right)
            return static_cast<int>(k);
        left = right;
    }
    return -1;
}

bool CGridTable::IsSelected(int i) const
{
    return i >= 0 && i < static_cast<int>(m_rows.size()) && m_rows[static_cast<std::size_t>(i)].selected;
}

QString CGridTable::CellText(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    const auto& cells = m_rows[static_cast<std::size_t>(row)].cells;
    if (column < 0 || column >= static_cast<int>(cells.size()))
        return {};
    return cells[static_cast<std::size_t>(column)].text;
}

void CGridTable::AddColumn(const QString& title, int width)
{
    m_columns.push_back({title, std::max(width, 0)});
    DrawHeader();
    UpdateHScroll();
}

void CGridTable::AddRow(bool selected, QRgb background)
{
    m_rows.push_back({background, selected, {}});
}

void CGridTable::AddCell(const QString& text, QRgb background)
{
    if (m_rows.empty())
        return;
    m_rows.back().cells.push_back({text, background});
}

void CGridTable::EndRow()
{
    ++m_rowCount;
    UpdateVScroll();
}

void CGridTable::UpdateVScroll()
{
    QScrollBar* bar = Bar(m_vScrollId);
    if (!bar)
        return;
    const int pageRows = PageRows();
    const int nMax = m_rowCount < pageRows ? pageRows - 1 : m_rowCount;
    SetScrollRange(bar, 0, nMax, pageRows, m_firstRow);
}

void CGridTable::UpdateHScroll()
{
    QScrollBar* bar = Bar(m_hScrollId);
    if (!bar)
        return;
    int total = 0;
    for (const auto& c : m_columns)
        total += c.width;
    if (m_hOffset != 0 && m_area.left - m_hOffset + total < m_area.right)
        total = m_area.right + m_hOffset - m_area.left - 1;
    if (total < m_area.Width())
        total = m_area.Width() - 1;
    SetScrollRange(bar, 0, total, m_area.Width());
}

void CGridTable::LoadCursors()
{
    m_cursorsLoaded = true;
}

void CGridTable::SetCursorShape(bool size)
{
    if (!m_cursorsLoaded || !m_parent)
        return;
    const Qt::CursorShape shape = size ? Qt::SizeHorCursor : Qt::ArrowCursor;
    if (m_parent->cursor().shape() != shape)
        m_parent->setCursor(shape);
}

void CGridTable::RedrawAll()
{
    DrawHeader();
    DrawBody();
}

void CGridTable::DrawCellText(CSurfaceDC& dc, const PixelRect& cell, const QString& text, int width)
{
    const FittedCellText fitted = FitCellText(m_metrics, text, width);
    if (fitted.text.isEmpty())
        return;
    int x = cell.left + 2;
    if (fitted.centred)
        x = cell.left + width / 2 - dc.GetTextExtent(fitted.text).width() / 2;
    dc.TextOut(x, cell.top + 2, fitted.text);
}

void CGridTable::DrawHeader(CSurfaceDC* given)
{
    if (!m_parent)
        return;
    std::optional<CSurfaceDC> own;
    if (!given)
        own.emplace(m_parent->Surface(), m_parent);
    CSurfaceDC& dc = given ? *given : *own;
    dc.SelectFont(m_font);
    dc.IntersectClipRect(m_area);
    const QRgb oldBk = dc.SetBkColor(MenuColor());
    int x = m_area.left - m_hOffset;
    for (const auto& column : m_columns) {
        // Every title has the font's text height.
        m_rowHeight = m_metrics.height() + 4;
        const PixelRect cell{x, m_area.top, x + column.width, m_area.top + m_rowHeight};
        if (cell.right >= m_area.left && cell.left <= m_area.right) { // not scrolled out of view
            dc.DrawPushButton(cell, false);
            DrawCellText(dc, cell, column.title, column.width);
        }
        x += column.width;
    }
    if (x < m_area.right)
        dc.DrawPushButton(PixelRect{x, m_area.top, m_area.right, m_area.top + m_rowHeight}, true);
    dc.SetBkColor(oldBk);
}

void CGridTable::DrawBody()
{
    if (!m_parent)
        return;
    {
        CSurfaceDC dc = OpenDC();
        dc.IntersectClipRect(m_area);
        dc.FillSolidRect(PixelRect{m_area.left, m_area.top + m_rowHeight, m_area.right, m_area.bottom}, kWhite);
    }
    if (!m_rows.empty()) {
        CSurfaceDC dc = OpenDC();
        const PixelRect whole = dc.ClipRect();
        for (int i = 0; i < static_cast<int>(m_rows.size()); ++i) {
            if (!RowVisible(i))
                continue;
            dc.SelectClipRect(whole);
            DrawRow(dc, i);
        }
        dc.SelectClipRect(whole);
        dc.IntersectClipRect(m_area);
        DrawGridLines(dc, PixelRect{m_area.left, m_area.top + m_rowHeight, m_area.right, m_area.bottom});
    }
    SetFocusRow(m_focusRow);
}

void CGridTable::DrawRow(int i)
{
    if (!m_parent || i < 0 || i >= static_cast<int>(m_rows.size()))
        return;
    if (!RowVisible(i))
        return;
    CSurfaceDC dc = OpenDC();
    DrawRow(dc, i);
}

bool CGridTable::RowVisible(int i) const
{
    const int top = RowTop(i);
    return !(top + m_rowHeight < m_area.top || top > m_area.bottom);
}

void CGridTable::DrawRow(CSurfaceDC& dc, int i)
{
    const int top = RowTop(i);
    const int bottom = top + m_rowHeight;
    dc.SelectFont(m_font);
    dc.IntersectClipRect(m_area);
    dc.IntersectClipRect(PixelRect{m_area.left, m_area.top + m_rowHeight, m_area.right, m_area.bottom});

    const GridRow& row = m_rows[static_cast<std::size_t>(i)];
    dc.FillSolidRect(PixelRect{m_area.left, top, m_area.right, bottom}, row.selected ? kCyan : row.background);
    int left = m_area.left - m_hOffset;
    const std::size_t n = std::min(m_columns.size(), row.cells.size());
    for (std::size_t k = 0; k < n; ++k) {
        const int width = m_columns[k].width;
        const PixelRect cell{left, top, left + width, bottom};
        left += width;
        if (cell.right < m_area.left || cell.left > m_area.right)
            continue; // scrolled out of view
        if (!row.selected)
            dc.FillSolidRect(cell, row.cells[k].background);
        DrawCellText(dc, cell, row.cells[k].text, width);
    }

    // The grid lines cover the whole body whenever rows are drawn. Those outside this
    // row's slot are already there (DrawBody draws them all), so only the slot's own
    // share is drawn again: the picture is the same at a fraction of the cost.
    DrawGridLines(dc, PixelRect{m_area.left, top, m_area.right, bottom + 1});
}

void CGridTable::DrawGridLines(CSurfaceDC& dc, const PixelRect& within)
{
    dc.IntersectClipRect(within);
    int x = m_area.left - m_hOffset;
    for (const auto& column : m_columns) {
        x += column.width;
        if (x > m_area.right)
            break;
        dc.MoveTo(x - 1, m_area.top + m_rowHeight);
        dc.LineTo(x - 1, m_area.bottom);
    }
    for (int y = m_area.top + m_rowHeight; y <= m_area.bottom; y += m_rowHeight) {
        if (y < within.top)
            continue;
        if (y >= within.bottom)
            break;
        dc.MoveTo(m_area.left, y);
        dc.LineTo(m_area.right, y);
    }
}

void CGridTable::DrawFocus(CSurfaceDC& dc)
{
    const int y = RowTop(m_focusRow);
    const int h = m_rowHeight;
    const int l = m_area.left;
    const int r = m_area.right;
    dc.MoveTo(l, y);
    dc.LineTo(r, y);
    dc.LineTo(r, y + h);
    dc.LineTo(l, y + h);
    dc.LineTo(l, y);
    dc.MoveTo(l + 1, y + 1);
    dc.LineTo(r - 1, y + 1);
    dc.LineTo(r - 1, y + h - 1);
    dc.LineTo(l + 1, y + h - 1);
    dc.LineTo(l + 1, y + 1);
}

void CGridTable::SetFocusRow(int i)
{
    if (!m_parent)
        return;
    if (m_focusRow >= 0)
        DrawRow(m_focusRow);
    m_focusRow = i;
    if (i < 0)
        return;
    CSurfaceDC dc = OpenDC();
    dc.IntersectClipRect(m_area);
    dc.IntersectClipRect(PixelRect{m_area.left, m_area.top + m_rowHeight + 1, m_area.right, m_area.bottom});
    DrawFocus(dc);
}

void CGridTable::SelectRow(int i)
{
    if (i < 0 || i >= static_cast<int>(m_rows.size()))
        return;
    m_rows[static_cast<std::size_t>(i)].selected = true;
    DrawRow(i);
}

void CGridTable::ClearSelection()
{
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i].selected) {
            m_rows[i].selected = false;
            DrawRow(static_cast<int>(i));
        }
    }
}

void CGridTable::ClearRows()
{
    m_rows.clear();
    m_rowCount = 0;
    m_hOffset = 0;
    m_firstRow = 0;
    m_resizing = false;
    m_headerPressed = false;
    m_pressedRow = -1;
    m_focusRow = -1;
}

void CGridTable::ScrollToRow(int n)
{
    m_firstRow = n;
    DrawHeader();
    DrawBody();
    if (QScrollBar* bar = Bar(m_vScrollId))
        SetScrollPos(bar, n);
}

void CGridTable::DrawTitleCell(CSurfaceDC& dc, bool pushed)
{
    if (m_pressedColumn < 0 || m_pressedColumn >= static_cast<int>(m_columns.size()))
        return;
    const GridColumn& column = m_columns[static_cast<std::size_t>(m_pressedColumn)];
    dc.SelectFont(m_font);
    dc.IntersectClipRect(m_area);
    dc.SetBkColor(MenuColor());
    dc.DrawPushButton(m_pressedRect, pushed);
    DrawCellText(dc, m_pressedRect, column.title, column.width);
}

void CGridTable::SetResizeWidth(int x)
{
    int& width = m_columns[static_cast<std::size_t>(m_resizeColumn)].width;
    width = x < m_resizeClip.left + kMinColumnWidth ? kMinColumnWidth : x - m_resizeLeft;
}

void CGridTable::OnLButtonDown(int x, int y)
{
    m_pressedRow = -1;
    if (!m_parent)
        return;
    if (const int k = BorderAt(x, y); k >= 0) {
        const int e = ColumnLeft(k) + m_columns[static_cast<std::size_t>(k)].width;
        m_resizing = true;
        m_resizeColumn = k;
        m_resizeLeft = e - m_columns[static_cast<std::size_t>(k)].width;
        m_resizeClip = PixelRect{std::max(m_resizeLeft, m_area.left), m_area.top, m_area.right, m_area.bottom};
        m_columns[static_cast<std::size_t>(k)].width = std::max(x - m_resizeLeft, 0);
        CSurfaceDC dc = OpenDC();
        dc.IntersectClipRect(m_resizeClip);
        DrawHeader(&dc);
        SetCursorShape(true);
    } else if (const int t = TitleAt(x, y); t >= 0) {
        const int left = ColumnLeft(t);
        m_pressedRect =
            PixelRect{left, m_area.top, left + m_columns[static_cast<std::size_t>(t)].width, m_area.top + m_rowHeight};
        m_pressedColumn = t;
        CSurfaceDC dc = OpenDC();
        DrawTitleCell(dc, true);
        m_headerPressed = true;
    } else if (m_rowCount > 0 && m_area.ContainsInclusive(x, y)) {
        m_pressedRow = RowAt(y);
    }
}

void CGridTable::OnMouseMove(int x, int y)
{
    if (!m_parent)
        return;
    if (m_resizing) {
        SetResizeWidth(x);
        CSurfaceDC dc = OpenDC();
        dc.IntersectClipRect(m_resizeClip);
        DrawHeader(&dc);
    }
    if (m_headerPressed && !m_pressedRect.ContainsInclusive(x, y)) {
        CSurfaceDC dc = OpenDC();
        DrawTitleCell(dc, false);
        m_headerPressed = false;
    }
    // The window's own cursor is the arrow; the size cursor lasts only while the
    // pointer is on a border or a border is being dragged.
    SetCursorShape(m_resizing || (!m_headerPressed && BorderAt(x, y) >= 0));
}

void CGridTable::OnLButtonUp(int x, int y)
{
    if (m_parent) {
        if (m_resizing) {
            SetResizeWidth(x);
            DrawHeader();
            DrawBody();
            UpdateHScroll();
            m_resizing = false;
            SetCursorShape(false);
        } else if (m_headerPressed) {
            CSurfaceDC dc = OpenDC();
            DrawTitleCell(dc, false);
            m_headerPressed = false;
        } else if (m_rowCount > 0 && m_area.ContainsInclusive(x, y)) {
            const int r = RowAt(y);
            if (r < m_rowCount && r == m_pressedRow) {
                ClearSelection();
                SelectRow(r);
                SetFocusRow(r);
            }
        }
    }
    m_pressedRow = -1;
}

void CGridTable::OnVScroll(int code, int pos, QScrollBar* scrollBar)
{
    QScrollBar* bar = Bar(m_vScrollId);
    if (!bar || scrollBar != bar)
        return;
    const int cur = GetScrollPos(bar);
    const WinScrollInfo info = GetScrollInfo(bar);
    int next = cur;
    switch (code) {
    case SB_LINEUP: next = cur - 1; break;
    case SB_LINEDOWN: next = cur + 1; break;
    case SB_PAGEUP: next = cur - 5; break;
    case SB_PAGEDOWN: next = cur + 5; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = pos; break;
    default: break;
    }
    if (next < info.nMin)
        next = info.nMin;
    int first = next;
    if (info.nMax - info.nPage >= 0 && first > info.nMax - info.nPage)
        first = info.nMax - info.nPage;
    if (first != m_firstRow) {
        m_firstRow = first;
        DrawHeader();
        DrawBody();
    }
    if (next != cur)
        SetScrollPos(bar, next);
}

void CGridTable::OnHScroll(int code, int pos, QScrollBar* scrollBar)
{
    QScrollBar* bar = Bar(m_hScrollId);
    if (!bar || scrollBar != bar)
        return;
    const int cur = GetScrollPos(bar);
    const WinScrollInfo info = GetScrollInfo(bar);
    int next = cur;
    switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT: next = cur - 50; break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT: next = cur + 50; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: next = pos; break;
    default: break;
    }
    if (next < info.nMin)
        next = info.nMin;
    int offset = next;
    if (info.nMax - info.nPage >= 0 && offset > info.nMax - info.nPage)
        offset = info.nMax - info.nPage;
    if (offset != m_hOffset) {
        m_hOffset = offset;
        DrawHeader();
        DrawBody();
        UpdateHScroll();
    }
    if (next != cur)
        SetScrollPos(bar, next);
}

void CGridTable::OnMouseWheel(int x, int y, int notches)
{
    QScrollBar* bar = Bar(m_vScrollId);
    if (!bar || !m_area.ContainsInclusive(x, y))
        return;
    const int code = notches > 0 ? SB_LINEUP : SB_LINEDOWN;
    for (int k = 0; k < 3 * std::abs(notches); ++k)
        OnVScroll(code, 0, bar);
}
