#include "app/FontTextMeasure.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "text/Utf8Char.h"

namespace {

std::uint32_t KeyOf(std::string_view ch)
{
    if (ch.size() == 1)
        return 0x80000000u | static_cast<unsigned char>(ch[0]);
    std::uint32_t cp = static_cast<unsigned char>(ch[0]) & (0x7Fu >> ch.size());
    for (std::size_t k = 1; k < ch.size(); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(ch[k]) & 0x3Fu);
    return cp;
}

} // namespace

FontTextMeasure::FontTextMeasure(const QFont& font) : m_font(font), m_raw(QRawFont::fromFont(font))
{
    const QFontMetricsF fm(m_font);
    m_lineHeight = std::max(1.0, fm.height());
    m_ascent = fm.ascent();
    std::array<double, 128> widths{};
    for (int c = 0; c < 128; ++c) {
        m_ascii[c] = measureGlyph(QString(QChar(c)));
        widths[c] = m_ascii[c].advance;
    }
    m_average = std::max(1.0, widths['x']);
    setAscii(widths, std::max(1.0, widths[' ']) * kTabColumns);
}

QString FontTextMeasure::CharacterText(std::string_view ch)
{
    if (ch.size() == 1)
        return QString(QChar(static_cast<unsigned char>(ch[0])));
    return QString::fromUtf8(ch.data(), static_cast<qsizetype>(ch.size()));
}

FontTextMeasure::Glyph FontTextMeasure::measureGlyph(const QString& text) const
{
    Glyph g;
    if (m_raw.isValid()) {
        const QList<quint32> indexes = m_raw.glyphIndexesForString(text);
        if (indexes.size() == 1 && indexes[0] != 0) {
            g.index = indexes[0];
            const QList<QPointF> advances = m_raw.advancesForGlyphIndexes(indexes);
            g.advance = advances.isEmpty() ? 0 : advances[0].x();
            return g;
        }
    }
    g.advance = QFontMetricsF(m_font).horizontalAdvance(text);
    return g;
}

const FontTextMeasure::Glyph& FontTextMeasure::glyphOf(std::string_view ch) const
{
    const std::uint32_t key = KeyOf(ch);
    auto it = m_wide.find(key);
    if (it == m_wide.end())
        it = m_wide.emplace(key, measureGlyph(CharacterText(ch))).first;
    return it->second;
}

void FontTextMeasure::Paint(QPainter& painter, QPointF origin, std::string_view line, WrapSegment seg) const
{
    std::vector<quint32> indexes;
    std::vector<QPointF> positions;
    indexes.reserve(seg.end - seg.begin);
    positions.reserve(seg.end - seg.begin);
    ForEachCharacter(line, seg, *this, [&](std::size_t i, std::size_t len, double x, double) {
        const char c = line[i];
        if (c == '\t' || c == ' ')
            return;
        const auto b = static_cast<unsigned char>(c);
        const Glyph& g = b < 0x80 ? m_ascii[b] : glyphOf(line.substr(i, len));
        if (g.index != 0) {
            indexes.push_back(g.index);
            positions.emplace_back(origin.x() + x, origin.y());
        } else {
            // No glyph in the font: the fallback font draws it, at the same place.
            painter.drawText(QPointF(origin.x() + x, origin.y()), CharacterText(line.substr(i, len)));
        }
    });
    if (indexes.empty())
        return;
    QGlyphRun run;
    run.setRawFont(m_raw);
    run.setGlyphIndexes(QList<quint32>(indexes.begin(), indexes.end()));
    run.setPositions(QList<QPointF>(positions.begin(), positions.end()));
    painter.drawGlyphRun(QPointF(0, 0), run);
}
