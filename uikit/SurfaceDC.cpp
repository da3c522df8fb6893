#include "uikit/SurfaceDC.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>
#include <qdrawutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

// Floor division for a positive divisor.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    std::int64_t q = a / b;
    if ((a % b != 0) && (a < 0))
        --q;
    return q;
}

} // namespace

QRgb MenuColor()
{
    return QApplication::palette().color(QPalette::Button).rgb();
}

CSurfaceDC::CSurfaceDC(QImage& image, QWidget* owner)
    : m_image(image), m_owner(owner), m_clip{0, 0, image.width(), image.height()}
{}

CSurfaceDC::~CSurfaceDC()
{
    EndPainter();
    if (m_owner && m_hasDirty)
        m_owner->update(QRect(m_dirty.left, m_dirty.top, m_dirty.Width(), m_dirty.Height()));
}

void CSurfaceDC::IntersectClipRect(const PixelRect& r)
{
    m_clip = m_clip.Intersected(r);
}

void CSurfaceDC::SelectClipRect(const PixelRect& r)
{
    m_clip = PixelRect{0, 0, m_image.width(), m_image.height()}.Intersected(r);
}

QRgb CSurfaceDC::SetPenColor(QRgb color)
{
    return std::exchange(m_pen, color);
}

QRgb CSurfaceDC::SetBkColor(QRgb color)
{
    return std::exchange(m_bkColor, color);
}

QRgb CSurfaceDC::SetTextColor(QRgb color)
{
    return std::exchange(m_textColor, color);
}

void CSurfaceDC::MoveTo(int x, int y)
{
    m_x = x;
    m_y = y;
}

QRgb* CSurfaceDC::Row(int y)
{
    if (!m_bits) {
        m_bits = m_image.bits(); // detaches once, not for every pixel
        m_stride = m_image.bytesPerLine();
    }
    return reinterpret_cast<QRgb*>(m_bits + static_cast<std::ptrdiff_t>(y) * m_stride);
}

void CSurfaceDC::Plot(int x, int y)
{
    if (x >= m_clip.left && x < m_clip.right && y >= m_clip.top && y < m_clip.bottom)
        Row(y)[x] = m_pen;
}

void CSurfaceDC::LineTo(int x2, int y2)
{
    const int x1 = m_x;
    const int y1 = m_y;
    m_x = x2;
    m_y = y2;
    if (m_clip.IsEmpty() || (x1 == x2 && y1 == y2))
        return;

    // Horizontal and vertical lines, the grid's and the axes', are filled as spans.
    if (y1 == y2 || x1 == x2) {
        const bool horizontal = y1 == y2;
        const int from = horizontal ? x1 : y1;
        const int to = horizontal ? x2 : y2;
        // The start pixel is drawn, the end pixel is not.
        int lo = to > from ? from : to + 1;
        int hi = to > from ? to - 1 : from;
        if (horizontal) {
            if (y1 < m_clip.top || y1 >= m_clip.bottom)
                return;
            lo = std::max(lo, m_clip.left);
            hi = std::min(hi, m_clip.right - 1);
            if (lo > hi)
                return;
            MarkDirty(lo, y1, hi + 1, y1 + 1);
            if (m_painter) {
                Painter().fillRect(QRect(lo, y1, hi - lo + 1, 1), QColor(m_pen));
                return;
            }
            QRgb* line = Row(y1);
            std::fill(line + lo, line + hi + 1, m_pen);
        } else {
            if (x1 < m_clip.left || x1 >= m_clip.right)
                return;
            lo = std::max(lo, m_clip.top);
            hi = std::min(hi, m_clip.bottom - 1);
            if (lo > hi)
                return;
            MarkDirty(x1, lo, x1 + 1, hi + 1);
            if (m_painter) {
                Painter().fillRect(QRect(x1, lo, 1, hi - lo + 1), QColor(m_pen));
                return;
            }
            for (int y = lo; y <= hi; ++y)
                Row(y)[x1] = m_pen;
        }
        return;
    }

    EndPainter();
    const std::int64_t dx = std::int64_t{x2} - x1;
    const std::int64_t dy = std::int64_t{y2} - y1;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t n = xMajor ? std::llabs(dx) : std::llabs(dy);
    const std::int64_t major0 = xMajor ? x1 : y1;
    const std::int64_t minor0 = xMajor ? y1 : x1;
    const std::int64_t minorDelta = xMajor ? dy : dx;
    const int dir = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t lo = xMajor ? m_clip.left : m_clip.top;
    const std::int64_t hi = (xMajor ? m_clip.right : m_clip.bottom) - 1;

    // Pixel k (0 .. n-1; the end point is left out) lies at major0 + dir * k; only the
    // steps whose major coordinate is inside the clip are walked, so a line to a far
    // point costs no more than one across the clip.
    std::int64_t kFirst = dir > 0 ? lo - major0 : major0 - hi;
    std::int64_t kLast = dir > 0 ? hi - major0 : major0 - lo;
    kFirst = std::max<std::int64_t>(kFirst, 0);
    kLast = std::min<std::int64_t>(kLast, n - 1);
    for (std::int64_t k = kFirst; k <= kLast; ++k) {
        const std::int64_t major = major0 + dir * k;
        const std::int64_t minor = minor0 + FloorDiv(2 * k * minorDelta + n, 2 * n);
        if (xMajor)
            Plot(static_cast<int>(major), static_cast<int>(minor));
        else
            Plot(static_cast<int>(minor), static_cast<int>(major));
    }
    const std::int64_t l = std::max<std::int64_t>(std::min(x1, x2), m_clip.left);
    const std::int64_t r = std::min<std::int64_t>(std::max(x1, x2) + 1, m_clip.right);
    const std::int64_t t = std::max<std::int64_t>(std::min(y1, y2), m_clip.top);
    const std::int64_t b = std::min<std::int64_t>(std::max(y1, y2) + 1, m_clip.bottom);
    if (l < r && t < b)
        MarkDirty(static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b));
}

void CSurfaceDC::FillSolidRect(const PixelRect& r, QRgb color)
{
    m_bkColor = color;
    const PixelRect f = m_clip.Intersected(r);
    if (f.IsEmpty())
        return;
    MarkDirty(f.left, f.top, f.right, f.bottom);
    if (m_painter) { // between texts: no need to close and reopen the painter
        Painter().fillRect(QRect(f.left, f.top, f.Width(), f.Height()), QColor(color));
        return;
    }
    for (int y = f.top; y < f.bottom; ++y) {
        QRgb* line = Row(y);
        std::fill(line + f.left, line + f.right, color);
    }
}

void CSurfaceDC::SelectFont(const QFont& font)
{
    m_font = font;
    m_metrics.emplace(font);
    if (m_painter)
        m_painter->setFont(font);
}

QSize CSurfaceDC::GetTextExtent(const QString& text)
{
    if (!m_metrics)
        m_metrics.emplace(m_font);
    return QSize(m_metrics->horizontalAdvance(text), m_metrics->height());
}

void CSurfaceDC::TextOut(int x, int y, const QString& text)
{
    const QSize size = GetTextExtent(text);
    const PixelRect box = m_clip.Intersected(PixelRect{x, y, x + size.width(), y + size.height()});
    if (box.IsEmpty())
        return;
    QPainter& p = Painter();
    p.fillRect(QRect(x, y, size.width(), size.height()), QColor(m_bkColor));
    p.setPen(QColor(m_textColor));
    p.drawText(x, y + m_metrics->ascent(), text);
    MarkDirty(box.left, box.top, box.right, box.bottom);
}

void CSurfaceDC::DrawPushButton(const PixelRect& r, bool pushed)
{
    const PixelRect box = m_clip.Intersected(r);
    if (box.IsEmpty())
        return;
    QPainter& p = Painter();
    const QPalette palette = QApplication::palette();
    const QBrush face = palette.button();
    qDrawWinButton(&p, QRect(r.left, r.top, r.Width(), r.Height()), palette, pushed, &face);
    MarkDirty(box.left, box.top, box.right, box.bottom);
}

QPainter& CSurfaceDC::Painter()
{
    if (!m_painter) {
        m_bits = nullptr; // a painter may detach a shared image: take the pixels afresh
        m_painter = std::make_unique<QPainter>(&m_image);
        m_painter->setFont(m_font);
    }
    if (!m_metrics)
        m_metrics.emplace(m_font);
    m_painter->setClipRect(QRect(m_clip.left, m_clip.top, m_clip.Width(), m_clip.Height()));
    return *m_painter;
}

void CSurfaceDC::EndPainter()
{
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
}

void CSurfaceDC::MarkDirty(int left, int top, int right, int bottom)
{
    if (!m_hasDirty) {
        m_dirty = PixelRect{left, top, right, bottom};
        m_hasDirty = true;
        return;
    }
    m_dirty.left = std::min(m_dirty.left, left);
    m_dirty.top = std::min(m_dirty.top, top);
    m_dirty.right = std::max(m_dirty.right, right);
    m_dirty.bottom = std::max(m_dirty.bottom, bottom);
}
