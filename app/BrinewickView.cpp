#include "app/BrinewickView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>
#include <cmath>

#include "text/Utf8Char.h"
#include "text/WordSpan.h"
#include "uikit/AppSettings.h"

CBrinewickView::CBrinewickView(CBrinewickDoc* doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc)
{
    m_astrKeywords = {QStringLiteral("dimensions:"), QStringLiteral("variables:"), QStringLiteral("data:"),
                      QStringLiteral("comment"),     QStringLiteral("_FillValue"), QStringLiteral("long_name"),
                      QStringLiteral("conventions"), QStringLiteral("units"),      QStringLiteral("valid_min"),
                      QStringLiteral("valid_max"),   QStringLiteral("C_format"),   QStringLiteral("FORTRAN_format"),
                      QStringLiteral("resolution")};
    setObjectName(QStringLiteral("CBrinewickView"));
    m_bMatchCase = AppKey::kFindMatchCase.Read();
    m_bWholeWord = AppKey::kFindWholeWord.Read();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    QFont viewFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (const QString saved = AppKey::kViewFont.Read(); !saved.isEmpty()) {
        QFont chosen;
        if (chosen.fromString(saved))
            viewFont = chosen;
    }
    setFont(viewFont);
    updateMetrics();
    updateScrollBar();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
}

void CBrinewickView::SetText(std::string text)
{
    // Drop the old text and its line index before the new index is built.
    m_text.clear();
    TextBuffer buffer;
    buffer.setText(std::move(text));
    SetBuffer(std::move(buffer));
}

void CBrinewickView::SetBuffer(TextBuffer&& buffer)
{
    m_text = std::move(buffer);
    m_anchor = m_caret = 0;
    m_goalX = -1;
    m_layoutDirty = true;
    if (isVisible())
        updateScrollBar();
    else
        verticalScrollBar()->setRange(0, 0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    emit stateChanged();
}

QString CBrinewickView::DisplayString(std::string_view bytes)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t len = Utf8CharLength(bytes, i);
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (len > 1)
            out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(len));
        else
            out += QChar(b); // ASCII, or an invalid byte shown as its Latin-1 character
        i += len;
    }
    return out;
}

const TextLayout& CBrinewickView::layout() const
{
    if (m_layoutDirty) {
        m_layout.reset(&m_text, m_measure.get(), textWidth());
        m_layoutDirty = false;
    }
    return m_layout;
}

void CBrinewickView::updateMetrics()
{
    m_measure = std::make_unique<FontTextMeasure>(font());
    m_lineHeight = std::max(1, static_cast<int>(std::ceil(m_measure->lineHeight())));
    m_ascent = m_measure->ascent();
}

double CBrinewickView::textWidth() const
{
    return std::max(1.0, static_cast<double>(viewport()->width() - 2 * kMargin));
}

int CBrinewickView::LinesPerPage() const
{
    return std::max(1, viewport()->height() / m_lineHeight);
}

std::size_t CBrinewickView::GetFirstVisibleLine() const
{
    return static_cast<std::size_t>(verticalScrollBar()->value());
}

void CBrinewickView::updateScrollBar()
{
    const long long total = static_cast<long long>(layout().displayLineCount());
    const long long maxFirst = std::max(0LL, total - LinesPerPage());
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, static_cast<int>(std::min<long long>(maxFirst, INT_MAX)));
    bar->setPageStep(LinesPerPage());
    bar->setSingleStep(1);
}

void CBrinewickView::relayout()
{
    if (m_layoutDirty)
        return; // laid out at the new width when next needed
    const double width = textWidth();
    if (width == m_layout.width())
        return;
    // Keep the text at the top of the window at the top.
    const TextLayout::Position top = layout().displayLine(GetFirstVisibleLine());
    const std::size_t topOffset = top.lineStart + top.segment.begin;
    m_layout.reset(&m_text, m_measure.get(), width);
    updateScrollBar();
    verticalScrollBar()->setValue(static_cast<int>(layout().displayLineOfOffset(topOffset)));
}

void CBrinewickView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
    if (!m_layoutDirty)
        updateScrollBar();
}

void CBrinewickView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateMetrics();
        m_layoutDirty = true;
        if (isVisible())
            updateScrollBar();
    }
}

void CBrinewickView::LineScroll(long long n)
{
    QScrollBar* bar = verticalScrollBar();
    const long long v =
        std::clamp(static_cast<long long>(bar->value()) + n, 0LL, static_cast<long long>(bar->maximum()));
    bar->setValue(static_cast<int>(v));
}

void CBrinewickView::ScrollCaret()
{
    const long long line = static_cast<long long>(layout().displayLineOfOffset(m_caret));
    const long long first = static_cast<long long>(GetFirstVisibleLine());
    if (line < first)
        LineScroll(line - first);
    else if (line >= first + LinesPerPage())
        LineScroll(line - (first + LinesPerPage() - 1));
}

void CBrinewickView::GetSel(std::size_t& start, std::size_t& end) const
{
    start = std::min(m_anchor, m_caret);
    end = std::max(m_anchor, m_caret);
}

void CBrinewickView::SetSel(std::size_t start, std::size_t end)
{
    m_anchor = std::min(start, m_text.size());
    m_caret = std::min(end, m_text.size());
    m_goalX = -1;
    viewport()->update();
    emit stateChanged();
}

QString CBrinewickView::SelectedText() const
{
    std::size_t s = 0, e = 0;
    GetSel(s, e);
    return DisplayString(std::string_view(m_text.bytes()).substr(s, e - s));
}

void CBrinewickView::OnEditCopy()
{
    if (HasSelection())
        QApplication::clipboard()->setText(SelectedText());
}

void CBrinewickView::OnAllSelect()
{
    SetSel(0, m_text.size());
    ScrollCaret();
}

double CBrinewickView::caretX() const
{
    const TextLayout::Position pos = layout().displayLine(layout().displayLineOfOffset(m_caret));
    return XOfOffset(m_text.lineText(pos.line), pos.segment, m_caret - pos.lineStart, *m_measure);
}

QPointF CBrinewickView::PointOfOffset(std::size_t offset) const
{
    const long long d = static_cast<long long>(layout().displayLineOfOffset(offset));
    const long long row = d - static_cast<long long>(GetFirstVisibleLine());
    if (row < 0 || row * m_lineHeight >= viewport()->height())
        return QPointF(-1, -1);
    const TextLayout::Position pos = layout().displayLine(static_cast<std::size_t>(d));
    const double x = XOfOffset(m_text.lineText(pos.line), pos.segment, offset - pos.lineStart, *m_measure);
    return QPointF(kMargin + x, static_cast<double>(row * m_lineHeight));
}

std::size_t CBrinewickView::offsetAt(const QPoint& p) const
{
    const long long row = p.y() < 0 ? -1 : p.y() / m_lineHeight;
    const long long d = std::max(0LL, static_cast<long long>(GetFirstVisibleLine()) + row);
    const TextLayout::Position pos = layout().displayLine(static_cast<std::size_t>(d));
    return offsetInPiece(pos, std::max(0.0, p.x() + 0.5 - kMargin));
}

std::size_t CBrinewickView::offsetInPiece(const TextLayout::Position& pos, double x) const
{
    const std::string_view line = m_text.lineText(pos.line);
    std::size_t off = OffsetOfX(line, pos.segment, x, *m_measure);
    // The end of a wrapped piece is where the next piece starts: stay on this one.
    if (off == pos.segment.end && pos.segment.end > pos.segment.begin && pos.segment.end < line.size())
        off = m_text.prevBoundary(pos.lineStart + off) - pos.lineStart;
    return pos.lineStart + off;
}

void CBrinewickView::moveCaret(std::size_t offset, bool extend)
{
    m_caret = std::min(offset, m_text.size());
    if (!extend)
        m_anchor = m_caret;
    ScrollCaret();
    viewport()->update();
    emit stateChanged();
}

void CBrinewickView::keyPressEvent(QKeyEvent* event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    std::size_t s = 0, e = 0;
    GetSel(s, e);
    const double goal = m_goalX;
    auto moveVertically = [&](long long lines) {
        const double column = goal >= 0 ? goal : caretX();
        const long long d = std::clamp(static_cast<long long>(layout().displayLineOfOffset(m_caret)) + lines, 0LL,
                                       static_cast<long long>(layout().displayLineCount()) - 1);
        const TextLayout::Position pos = layout().displayLine(static_cast<std::size_t>(d));
        moveCaret(offsetInPiece(pos, column), shift);
        m_goalX = column;
    };
    switch (event->key()) {
    case Qt::Key_Left: moveCaret(HasSelection() && !shift ? s : m_text.prevBoundary(m_caret), shift); break;
    case Qt::Key_Right: moveCaret(HasSelection() && !shift ? e : m_text.nextBoundary(m_caret), shift); break;
    case Qt::Key_Up: moveVertically(-1); return;
    case Qt::Key_Down: moveVertically(1); return;
    case Qt::Key_PageUp:
        LineScroll(-LinesPerPage());
        moveVertically(-LinesPerPage());
        return;
    case Qt::Key_PageDown:
        LineScroll(LinesPerPage());
        moveVertically(LinesPerPage());
        return;
    case Qt::Key_Home:
        if (ctrl) {
            moveCaret(0, shift);
        } else {
            const TextLayout::Position pos = layout().displayLine(layout().displayLineOfOffset(m_caret));
            moveCaret(pos.lineStart + pos.segment.begin, shift);
        }
        break;
    case Qt::Key_End:
        if (ctrl) {
            moveCaret(m_text.size(), shift);
        } else {
            const TextLayout::Position pos = layout().displayLine(layout().displayLineOfOffset(m_caret));
            moveCaret(offsetInPiece(pos, 1e300), shift);
        }
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    m_goalX = -1;
}

void CBrinewickView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    moveCaret(offsetAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    m_goalX = -1;
}

void CBrinewickView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Selects the word or number under the mouse ("9.060", "-1.5e+003", "PRES_ADJUSTED").
    const std::size_t at = offsetAt(event->position().toPoint());
    const std::size_t line = m_text.lineOfOffset(at);
    const std::size_t lineStart = m_text.lineStart(line);
    const auto [wb, we] = WordAt(m_text.lineText(line), at - lineStart);
    const std::size_t b = lineStart + wb, e = lineStart + we;
    if (b == e)
        return;
    SetSel(b, e);
    ScrollCaret();
}

void CBrinewickView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint p = event->position().toPoint();
    if (p.y() < 0)
        LineScroll(-1);
    else if (p.y() >= viewport()->height())
        LineScroll(1);
    moveCaret(offsetAt(p), true);
}

void CBrinewickView::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CBrinewickView::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CBrinewickView::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    updateScrollBar();
}

void CBrinewickView::paintEvent(QPaintEvent*)
{
    if (m_layoutDirty) {
        layout();
        updateScrollBar();
    }
    QPainter painter(viewport());
    const QPalette pal = palette();
    painter.fillRect(viewport()->rect(), pal.base());
    painter.setFont(font());
    std::size_t selStart = 0, selEnd = 0;
    GetSel(selStart, selEnd);
    const std::size_t first = GetFirstVisibleLine();
    const std::size_t total = layout().displayLineCount();
    const int rows = viewport()->height() / m_lineHeight + 1;
    const std::size_t caretLine = layout().displayLineOfOffset(m_caret);
    const FontTextMeasure& measure = *m_measure;
    for (int r = 0; r < rows && first + r < total; ++r) {
        const TextLayout::Position pos = layout().displayLine(first + r);
        const std::string_view line = m_text.lineText(pos.line);
        const int y = r * m_lineHeight;
        const QPointF origin(kMargin, y + m_ascent);
        painter.setPen(pal.color(QPalette::Text));
        measure.Paint(painter, origin, line, pos.segment);
        // Selection: the selected part drawn again on the highlight; a selected line
        // break shows as a blank's width behind the line.
        const std::size_t b = pos.lineStart + pos.segment.begin;
        const std::size_t e = pos.lineStart + pos.segment.end;
        const bool lineBreakSelected = pos.segment.end == line.size() && selEnd > e && selStart <= e;
        const std::size_t s0 = std::max(selStart, b), s1 = std::min(selEnd, e);
        if (s0 < s1 || lineBreakSelected) {
            const double x0 = s0 < s1 ? XOfOffset(line, pos.segment, s0 - pos.lineStart, measure)
                                      : XOfOffset(line, pos.segment, pos.segment.end, measure);
            const double x1 = (s0 < s1 ? XOfOffset(line, pos.segment, s1 - pos.lineStart, measure) : x0) +
                              (lineBreakSelected ? measure.asciiAdvance(' ') : 0.0);
            const QRectF rc(kMargin + x0, y, x1 - x0, m_lineHeight);
            painter.fillRect(rc, pal.brush(QPalette::Highlight));
            painter.save();
            painter.setClipRect(rc);
            painter.setPen(pal.color(QPalette::HighlightedText));
            measure.Paint(painter, origin, line, pos.segment);
            painter.restore();
        }
        if (first + r == caretLine && hasFocus()) {
            const double x = XOfOffset(line, pos.segment, m_caret - pos.lineStart, measure);
            painter.fillRect(QRectF(kMargin + x, y, 1, m_lineHeight), pal.color(QPalette::Text));
        }
    }
}
