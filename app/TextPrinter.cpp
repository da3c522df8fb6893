#include "app/TextPrinter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <climits>

#include "text/TextBuffer.h"

TextPrinter::TextPrinter(const TextBuffer& text, QPrinter& printer) : m_text(text)
{
    m_resolution = std::max(1, printer.resolution());
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // 10 points in the printer's pixels, so the preview's scaled painting matches.
    font.setPixelSize(std::max(1, m_resolution * 10 / 72));
    m_measure = std::make_unique<FontTextMeasure>(font);
    m_lineHeight = m_measure->lineHeight();
    m_ascent = m_measure->ascent();
    const double charWidth = m_measure->averageAdvance();

    m_paper = printer.paperRect(QPrinter::DevicePixel);
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    m_paper.translate(-page.topLeft());
    // The printable area less a margin of a quarter inch on every side.
    const double margin = m_resolution / 4.0;
    m_body = QRectF(0, 0, page.width(), page.height()).adjusted(margin, margin, -margin, -margin);
    if (m_body.width() < charWidth || m_body.height() < m_lineHeight)
        m_body = QRectF(0, 0, std::max(page.width(), charWidth), std::max(page.height(), m_lineHeight));
    m_linesPerPage = std::max(1, static_cast<int>(m_body.height() / m_lineHeight));
    m_layout.reset(&m_text, m_measure.get(), m_body.width());
    const std::size_t lines = m_layout.displayLineCount();
    const std::size_t pages = (lines + m_linesPerPage - 1) / m_linesPerPage;
    m_pageCount = static_cast<int>(std::clamp<std::size_t>(pages, 1, INT_MAX));
}

void TextPrinter::PaintPage(QPainter& painter, int page) const
{
    painter.save();
    painter.setFont(m_measure->font());
    painter.setPen(Qt::black);
    const std::size_t first = static_cast<std::size_t>(page) * m_linesPerPage;
    const std::size_t total = m_layout.displayLineCount();
    for (int r = 0; r < m_linesPerPage && first + r < total; ++r) {
        if (m_text.empty())
            break;
        const TextLayout::Position pos = m_layout.displayLine(first + r);
        const std::string_view line = m_text.lineText(pos.line);
        m_measure->Paint(painter, QPointF(m_body.left(), m_body.top() + r * m_lineHeight + m_ascent), line,
                         pos.segment);
    }
    painter.restore();
}

bool TextPrinter::Print(QPrinter& printer) const
{
    int from = 0, to = m_pageCount - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = std::max(0, printer.fromPage() - 1);
        to = std::min(to, std::max(from, printer.toPage() - 1));
    }
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    for (int p = from; p <= to; ++p) {
        if (p > from && !printer.newPage())
            return false;
        PaintPage(painter, p);
    }
    return painter.end();
}
