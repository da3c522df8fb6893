#include "app/BrinewickView.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cctype>
#include <climits>

#include "text/Utf8Char.h"

CBrinewickView::CBrinewickView(CBrinewickDoc* doc, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc)
{
    m_astrKeywords = {QStringLiteral("dimensions:"), QStringLiteral("variables:"),
                      QStringLiteral("data:"),       QStringLiteral("comment"),
                      QStringLiteral("_FillValue"),  QStringLiteral("long_name"),
                      QStringLiteral("conventions"), QStringLiteral("units"),
                      QStringLiteral("valid_min"),   QStringLiteral("valid_max"),
                      QStringLiteral("C_format"),    QStringLiteral("FORTRAN_format"),
                      QStringLiteral("resolution")};
    setObjectName(QStringLiteral("CBrinewickView"));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    updateMetrics();
    updateScrollBar();
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
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
    m_goalColumn = -1;
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

QString CBrinewickView::DisplaySegment(std::string_view line, WrapSegment segment)
{
    QString shown;
    int col = 0;
    for (std::size_t i = segment.begin; i < segment.end;) {
        const std::size_t len = Utf8CharLength(line, i);
        if (line[i] == '\t') {
            const int next = (col / kTabColumns + 1) * kTabColumns;
            shown += QString(next - col, QLatin1Char(' '));
            col = next;
        } else {
            if (len == 1)
                shown += QChar(static_cast<unsigned char>(line[i]));
            else
                shown += QString::fromUtf8(line.data() + i, static_cast<qsizetype>(len));
            ++col;
        }
        i += len;
    }
    return shown;
}

const TextLayout& CBrinewickView::layout() const
{
    if (m_layoutDirty) {
        m_layout.reset(&m_text, columnsForWidth());
        m_layoutDirty = false;
    }
    return m_layout;
}

void CBrinewickView::updateMetrics()
{
    const QFontMetrics fm(font());
    m_charWidth = std::max(1, fm.horizontalAdvance(QLatin1Char('M')));
    m_lineHeight = std::max(1, fm.height());
    m_ascent = fm.ascent();
}

int CBrinewickView::columnsForWidth() const
{
    return std::max(1, (viewport()->width() - 2 * kMargin) / m_charWidth);
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
    const int columns = columnsForWidth();
    if (columns == m_layout.columns())
        return;
    // Keep the text at the top of the window at the top.
    const TextLayout::Position top = layout().displayLine(GetFirstVisibleLine());
    const std::size_t topOffset = top.lineStart + top.segment.begin;
    m_layout.reset(&m_text, columns);
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
    const long long v = std::clamp(static_cast<long long>(bar->value()) + n, 0LL,
                                   static_cast<long long>(bar->maximum()));
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
    m_goalColumn = -1;
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

int CBrinewickView::caretColumn() const
{
    const TextLayout::Position pos = layout().displayLine(layout().displayLineOfOffset(m_caret));
    return ColumnOfOffset(m_text.lineText(pos.line), pos.segment, m_caret - pos.lineStart);
}

std::size_t CBrinewickView::offsetAt(const QPoint& p) const
{
    const long long row = p.y() < 0 ? -1 : p.y() / m_lineHeight;
    const long long d = std::max(0LL, static_cast<long long>(GetFirstVisibleLine()) + row);
    const TextLayout::Position pos = layout().displayLine(static_cast<std::size_t>(d));
    const int column = std::max(0, (p.x() - kMargin + m_charWidth / 2) / m_charWidth);
    return offsetInPiece(pos, column);
}

std::size_t CBrinewickView::offsetInPiece(const TextLayout::Position& pos, int column) const
{
    const std::string_view line = m_text.lineText(pos.line);
    std::size_t off = OffsetOfColumn(line, pos.segment, column);
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
    const int goal = m_goalColumn;
    auto moveVertically = [&](long long lines) {
        const int column = goal >= 0 ? goal : caretColumn();
        const long long d = std::clamp(
            static_cast<long long>(layout().displayLineOfOffset(m_caret)) + lines, 0LL,
            static_cast<long long>(layout().displayLineCount()) - 1);
        const TextLayout::Position pos = layout().displayLine(static_cast<std::size_t>(d));
        moveCaret(offsetInPiece(pos, column), shift);
        m_goalColumn = column;
    };
    switch (event->key()) {
    case Qt::Key_Left:
        moveCaret(HasSelection() && !shift ? s : m_text.prevBoundary(m_caret), shift);
        break;
    case Qt::Key_Right:
        moveCaret(HasSelection() && !shift ? e : m_text.nextBoundary(m_caret), shift);
        break;
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
            moveCaret(offsetInPiece(pos, INT_MAX), shift);
        }
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    m_goalColumn = -1;
}

void CBrinewickView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    setFocus(Qt::MouseFocusReason);
    moveCaret(offsetAt(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
    m_goalColumn = -1;
}

void CBrinewickView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // Selects the word (letters, digits, '_') under the mouse.
    const std::size_t at = offsetAt(event->position().toPoint());
    const std::string& text = m_text.bytes();
    auto isWord = [&](std::size_t i) {
        const auto c = static_cast<unsigned char>(text[i]);
        return std::isalnum(c) || c == '_' || c >= 0x80;
    };
    std::size_t b = at, e = at;
    const std::size_t lineStart = m_text.lineStart(m_text.lineOfOffset(at));
    while (b > lineStart && isWord(b - 1))
        --b;
    while (e < text.size() && isWord(e))
        ++e;
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
    for (int r = 0; r < rows && first + r < total; ++r) {
        const TextLayout::Position pos = layout().displayLine(first + r);
        const std::string_view line = m_text.lineText(pos.line);
        const int y = r * m_lineHeight;
        const QString shown = DisplaySegment(line, pos.segment);
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(kMargin, y + m_ascent, shown);
        // Selection: the selected part drawn again on the highlight.
        const std::size_t b = pos.lineStart + pos.segment.begin;
        const std::size_t e = pos.lineStart + pos.segment.end;
        const bool lineBreakSelected = pos.segment.end == line.size() && selEnd > e && selStart <= e;
        const std::size_t s0 = std::max(selStart, b), s1 = std::min(selEnd, e);
        if (s0 < s1 || lineBreakSelected) {
            const int c0 = s0 < s1 ? ColumnOfOffset(line, pos.segment, s0 - pos.lineStart)
                                   : ColumnOfOffset(line, pos.segment, pos.segment.end);
            const int c1 = s0 < s1 ? ColumnOfOffset(line, pos.segment, s1 - pos.lineStart) : c0;
            const int extra = lineBreakSelected ? 1 : 0;
            const QRect rc(kMargin + c0 * m_charWidth, y, (c1 - c0 + extra) * m_charWidth, m_lineHeight);
            painter.fillRect(rc, pal.brush(QPalette::Highlight));
            painter.save();
            painter.setClipRect(rc);
            painter.setPen(pal.color(QPalette::HighlightedText));
            painter.drawText(kMargin, y + m_ascent, shown);
            painter.restore();
        }
        if (first + r == caretLine && hasFocus()) {
            const int c = ColumnOfOffset(line, pos.segment, m_caret - pos.lineStart);
            painter.fillRect(QRect(kMargin + c * m_charWidth, y, 1, m_lineHeight), pal.color(QPalette::Text));
        }
    }
}
