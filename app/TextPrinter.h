#pragma once
// Lays the whole text out on printer pages (the view's word wrap and text measure) and
// paints any one page on demand, so neither printing nor the preview lays out more
// than the page asked for.
#include <QFont>
#include <QRectF>
#include <cstddef>
#include <memory>

#include "app/FontTextMeasure.h"
#include "text/TextLayout.h"

class QPainter;
class QPrinter;
class TextBuffer;

class TextPrinter {
public:
    // `text` must outlive the printer object (not owned).
    TextPrinter(const TextBuffer& text, QPrinter& printer);

    int PageCount() const { return m_pageCount; }
    // Paints page `page` (0-based) in the printer's device coordinates.
    void PaintPage(QPainter& painter, int page) const;
    // Prints every page (or the printer's from-to range); false when the printer failed.
    bool Print(QPrinter& printer) const;

    // Page size in device pixels and the printer's resolution, for the preview.
    QSizeF PageSize() const { return m_paper.size(); }
    // Where the sheet's corner lies in device coordinates (at or left of and above 0,0).
    QPointF PaperOrigin() const { return m_paper.topLeft(); }
    int Resolution() const { return m_resolution; }

private:
    const TextBuffer& m_text;
    std::unique_ptr<FontTextMeasure> m_measure;
    QRectF m_paper; // the whole sheet, device pixels (origin at the printable area)
    QRectF m_body;  // where the text goes
    double m_lineHeight = 1;
    double m_ascent = 1;
    int m_linesPerPage = 1;
    int m_resolution = 72;
    int m_pageCount = 1;
    TextLayout m_layout;
};
