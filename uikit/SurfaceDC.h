#pragma once
// A drawing context on a dialog's backing image with the rules of a Windows device
// context: lines include their start pixel and leave out their end pixel, rectangles
// leave out their right column and bottom row, text is placed by its top-left corner
// on an opaque background of the current background colour, and everything is
// clipped to the current clip rectangle. Releasing it (destruction) asks the dialog
// to show what was drawn.
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QRgb>
#include <QString>

#include <memory>
#include <optional>

#include "uikit/MenuColor.h"
#include "uikit/PixelRect.h"

class QWidget;

class CSurfaceDC {
public:
    // Draws on `image`; `owner` (not owned, may be null) is updated on release.
    CSurfaceDC(QImage& image, QWidget* owner);
    ~CSurfaceDC();
    CSurfaceDC(const CSurfaceDC&) = delete;
    CSurfaceDC& operator=(const CSurfaceDC&) = delete;

    // Clip rectangle: the image at first; IntersectClipRect narrows it,
    // SelectClipRect replaces it (still within the image).
    void IntersectClipRect(const PixelRect& r);
    void SelectClipRect(const PixelRect& r);
    PixelRect ClipRect() const { return m_clip; }

    QRgb SetPenColor(QRgb color);
    QRgb GetPenColor() const { return m_pen; }
    QRgb SetBkColor(QRgb color);
    QRgb BkColor() const { return m_bkColor; }
    QRgb SetTextColor(QRgb color);

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    // Fills r (right and bottom excluded) and makes color the background colour.
    void FillSolidRect(const PixelRect& r, QRgb color);

    void SelectFont(const QFont& font);
    // Width and height of the text in the selected font.
    QSize GetTextExtent(const QString& text);
    void TextOut(int x, int y, const QString& text);
    // A push-button face over r, raised or pushed in.
    void DrawPushButton(const PixelRect& r, bool pushed);

private:
    QPainter& Painter();
    void EndPainter();
    void MarkDirty(int left, int top, int right, int bottom);
    void Plot(int x, int y);
    QRgb* Row(int y);

    QImage& m_image;
    QPointer<QWidget> m_owner;
    std::unique_ptr<QPainter> m_painter;
    PixelRect m_clip;
    PixelRect m_dirty{0, 0, 0, 0};
    bool m_hasDirty = false;
    QRgb m_pen = qRgb(0, 0, 0);
    QRgb m_bkColor = qRgb(255, 255, 255);
    QRgb m_textColor = qRgb(0, 0, 0);
    QFont m_font;
    std::optional<QFontMetrics> m_metrics;
    int m_x = 0;
    int m_y = 0;
    uchar* m_bits = nullptr; // the image's pixels, taken on first raw access
    qsizetype m_stride = 0;
};
