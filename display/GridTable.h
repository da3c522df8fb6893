#pragma once
// A table drawn straight onto its parent dialog's surface inside a drawing-area
// control: a header band of push-button titles, rows of text cells with background
// colours, one selected row, a focus frame, user-sized columns, and scrolling through
// two scroll bar controls of the parent. The parent forwards its mouse and scroll
// events to it.
#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QRgb>
#include <QString>

#include <vector>

#include "uikit/PixelRect.h"

class CSurfaceDialog;
class CSurfaceDC;
class QScrollBar;

// How a cell text fits into a column: centred when narrower than width - 4, otherwise
// shortened by whole characters with ".." appended and drawn from the left.
struct FittedCellText {
    QString text; // what is drawn; empty when not even ".." fits
    bool centred = false;
};
FittedCellText FitCellText(const QFontMetrics& metrics, const QString& text, int width);

// The grid font: "Century" (or the metric-compatible C059) with a cell height of 14
// pixels, which makes the rows 18 pixels high.
QFont GridFont();

class CGridTable {
public:
    CGridTable() = default;
    CGridTable(const CGridTable&) = delete;
    CGridTable& operator=(const CGridTable&) = delete;

    // Takes the drawing area (the control's rectangle shrunk by 2 on each side) and the
    // scroll bar ids; an id of 0 or less means there is no such bar.
    void Attach(CSurfaceDialog* parent, int areaId, int vScrollId, int hScrollId);
    // Reads the area again after the dialog moved or resized it, and redraws.
    void AreaMoved();
    void AddColumn(const QString& title, int width);
    void AddRow(bool selected, QRgb background);
    // Adds a cell to the row added last.
    void AddCell(const QString& text, QRgb background);
    void EndRow();
    void LoadCursors();

    void RedrawAll();
    void DrawHeader(CSurfaceDC* dc = nullptr);
    void DrawBody();
    void ClearRows();
    void ScrollToRow(int n);
    void ClearSelection();
    void SelectRow(int i);
    void SetFocusRow(int i);

    void OnLButtonDown(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnMouseMove(int x, int y);
    void OnVScroll(int code, int pos, QScrollBar* scrollBar);
    void OnHScroll(int code, int pos, QScrollBar* scrollBar);
    // The mouse wheel over the table scrolls three rows a notch (notches > 0: up), as
    // that many clicks on the bar's arrows would.
    void OnMouseWheel(int x, int y, int notches);

    // State, for the owner and for tests.
    const PixelRect& Area() const { return m_area; }
    int RowHeight() const { return m_rowHeight; }
    int PageRows() const;
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    int ColumnWidth(int k) const { return m_columns[static_cast<std::size_t>(k)].width; }
    int RowCount() const { return m_rowCount; }
    int FirstRow() const { return m_firstRow; }
    int HOffset() const { return m_hOffset; }
    int FocusRow() const { return m_focusRow; }
    bool IsSelected(int i) const;
    bool IsResizing() const { return m_resizing; }
    bool IsHeaderPressed() const { return m_headerPressed; }
    QString CellText(int row, int column) const;

private:
    struct GridColumn {
        QString title;
        int width = 0;
    };
    struct GridCell {
        QString text;
        QRgb background = 0;
    };
    struct GridRow {
        QRgb background = 0;
        bool selected = false;
        std::vector<GridCell> cells;
    };

    void DrawRow(CSurfaceDC& dc, int i);
    void DrawRow(int i);
    void DrawCellText(CSurfaceDC& dc, const PixelRect& cell, const QString& text, int width);
    void DrawTitleCell(CSurfaceDC& dc, bool pushed);
    void DrawFocus(CSurfaceDC& dc);
    void DrawGridLines(CSurfaceDC& dc, const PixelRect& within);
    void UpdateHScroll();
    void UpdateVScroll();
    int ColumnLeft(int k) const;
    int RowTop(int i) const { return m_area.top + m_rowHeight * (i - m_firstRow + 1); }
    int RowAt(int y) const;
    bool RowVisible(int i) const;
    bool InHeader(int x, int y) const;
    int BorderAt(int x, int y) const;
    int TitleAt(int x, int y) const;
    void SetResizeWidth(int x);
    void SetCursorShape(bool size);
    QScrollBar* Bar(int id) const;
    CSurfaceDC OpenDC() const;

    CSurfaceDialog* m_parent = nullptr; // not owned
    int m_areaId = 0;
    int m_vScrollId = 0;
    int m_hScrollId = 0;
    PixelRect m_area;
    int m_rowHeight = 18;
    QFont m_font = GridFont();
    QFontMetrics m_metrics{m_font};
    std::vector<GridColumn> m_columns;
    std::vector<GridRow> m_rows;
    int m_rowCount = 0;
    int m_firstRow = 0;
    int m_hOffset = 0;
    int m_focusRow = -1;
    int m_pressedRow = -1;
    bool m_resizing = false;
    int m_resizeColumn = -1;
    int m_resizeLeft = 0;
    PixelRect m_resizeClip;
    bool m_headerPressed = false;
    PixelRect m_pressedRect;
    int m_pressedColumn = -1;
    bool m_cursorsLoaded = false;
};
