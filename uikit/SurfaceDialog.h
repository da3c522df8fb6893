#pragma once
// A fixed-size dialog laid out in dialog units whose client area is kept in an image.
// Drawing code draws into the image (through CSurfaceDC) when it decides to; the paint
// event only copies the image to the screen, so what is drawn stays until redrawn.
// Controls carry their numeric ids as object names.
#include <QDialog>
#include <QImage>

#include "uikit/DialogUnits.h"
#include "uikit/PixelRect.h"

class QFrame;

class CSurfaceDialog : public QDialog {
    Q_OBJECT
public:
    // widthDlu x heightDlu is the client area in dialog units of the dialog font.
    CSurfaceDialog(QWidget* parent, const QString& caption, int widthDlu, int heightDlu);

    QImage& Surface() { return m_surface; }
    const QImage& Surface() const { return m_surface; }
    const DialogUnits& Units() const { return m_units; }

    // Makes the dialog heightDlu dialog units taller, for a panel below its fixed
    // layout; what is drawn so far stays.
    void ExtendHeight(int heightDlu);

    // The child control with this id, or null.
    QWidget* Control(int id) const;
    // A control's rectangle in client pixels (its window rectangle).
    PixelRect ControlRect(int id) const;

protected:
    // Places w at the dialog-unit rectangle and gives it the id.
    template <class W>
    W* Place(W* w, int id, int x, int y, int width, int height)
    {
        PlaceWidget(w, id, x, y, width, height);
        return w;
    }
    // A static frame (black, or sunken) that draws only its outline and leaves the
    // mouse to the dialog, since the area inside is drawn by the dialog itself.
    QFrame* AddFrame(int id, int x, int y, int width, int height, bool sunken);

    void paintEvent(QPaintEvent* event) override;
    // The surface follows the dialog's size; what is drawn so far stays.
    void resizeEvent(QResizeEvent* event) override;
    // Lets the user resize and maximise the dialog, down to `minimum`.
    void AllowResize(QSize minimum);
    // Makes a resizable dialog no larger than its screen's available area (not below its
    // minimum size) and moves it inside that area.
    void FitToScreen();

public:
    // The program's viewers open within the screen: FitToScreen when first shown.
    void SetOpenWithinScreen(bool on) { m_openWithinScreen = on; }
    bool OpenWithinScreen() const { return m_openWithinScreen; }

private:
    void PlaceWidget(QWidget* w, int id, int x, int y, int width, int height);

    DialogUnits m_units;
    QImage m_surface;
    bool m_openWithinScreen = false;
};
