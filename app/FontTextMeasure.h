#pragma once
// The text measure of a font: each character's real advance, taken from the font's
// glyphs (and from the fallback font where the font has no glyph), and the painting of
// a display line at exactly those positions. The view and the printer each use one, so
// wrap, caret, hit test, selection and the painted glyphs agree for any font.
#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>

#include "text/TextMeasure.h"
#include "text/TextWrap.h"

class QPainter;

class FontTextMeasure : public TextMeasure {
public:
    explicit FontTextMeasure(const QFont& font);

    const QFont& font() const { return m_font; }
    double lineHeight() const { return m_lineHeight; }
    double ascent() const { return m_ascent; }
    double averageAdvance() const { return m_average; }

    // Paints segment `seg` of `line` with its first character at `origin` (baseline).
    void Paint(QPainter& painter, QPointF origin, std::string_view line, WrapSegment seg) const;

    // The text a character is shown as: its UTF-8 decoding, an invalid byte as the
    // Latin-1 character of the same value.
    static QString CharacterText(std::string_view ch);

protected:
    double wideAdvance(std::string_view ch) const override { return glyphOf(ch).advance; }

private:
    struct Glyph {
        double advance = 0;
        quint32 index = 0; // 0: the font has no glyph; drawn as text through the fallback font
    };
    Glyph measureGlyph(const QString& text) const;
    const Glyph& glyphOf(std::string_view ch) const;

    QFont m_font;
    QRawFont m_raw;
    double m_lineHeight = 16;
    double m_ascent = 12;
    double m_average = 8;
    std::array<Glyph, 128> m_ascii{};
    mutable std::unordered_map<std::uint32_t, Glyph> m_wide; // keyed by code point, or by 0x80000000 | byte
};
