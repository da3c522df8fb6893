#include "text/TextMeasure.h"

#include <algorithm>

void TextMeasure::setAscii(const std::array<double, 128>& widths, double tabStop)
{
    m_ascii = widths;
    m_maxAscii = *std::max_element(m_ascii.begin() + ' ', m_ascii.begin() + '~' + 1);
    m_tabStop = tabStop > 0 ? tabStop : 1;
}

ColumnMeasure::ColumnMeasure()
{
    std::array<double, 128> widths;
    widths.fill(1.0);
    setAscii(widths, 8.0);
}

const ColumnMeasure& ColumnMeasure::instance()
{
    static const ColumnMeasure measure;
    return measure;
}
