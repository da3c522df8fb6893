#include "uikit/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

QFont DialogFont()
{
    QFont font(QStringLiteral("Century"));
    // C059 (fonts-urw-base35) is metric-compatible with Century Schoolbook.
    font.setFamilies({QStringLiteral("Century"), QStringLiteral("C059"), QStringLiteral("Century Schoolbook L"),
                      QStringLiteral("serif")});
    // 9 points at 96 DPI are 12 pixels; pixels keep the layout independent of the
    // screen's reported resolution.
    font.setPixelSize(12);
    return font;
}

DialogUnits::DialogUnits(const QFont& font)
{
    QFontMetrics fm(font);
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (fm.horizontalAdvance(letters) + 26) / 52;
    m_baseY = fm.height();
    if (m_baseX <= 0)
        m_baseX = 6;
    if (m_baseY <= 0)
        m_baseY = 13;
}
