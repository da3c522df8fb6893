#pragma once
// The dialogs' font ("Century" 9 pt, or a metric-compatible serif where it is missing)
// and the conversion of dialog-template units to pixels for that font at 96 DPI.
#include <QFont>
#include <QRect>

class QWidget;

QFont DialogFont();

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int baseX() const { return m_baseX; }
    int baseY() const { return m_baseY; }
    int x(int dlu) const { return dlu * m_baseX / 4; }
    int y(int dlu) const { return dlu * m_baseY / 8; }
    QRect rect(int x0, int y0, int w, int h) const { return QRect(x(x0), y(y0), x(w), y(h)); }

private:
    int m_baseX = 6;
    int m_baseY = 13;
};
