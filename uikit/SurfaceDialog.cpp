#include "uikit/SurfaceDialog.h"

#include <QFrame>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>

#include <algorithm>

CSurfaceDialog::CSurfaceDialog(QWidget* parent, const QString& caption, int widthDlu, int heightDlu)
    : QDialog(parent), m_units(DialogFont())
{
    setWindowTitle(caption);
    setFont(DialogFont());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(m_units.x(widthDlu), m_units.y(heightDlu));
    m_surface = QImage(size(), QImage::Format_RGB32);
    m_surface.fill(palette().color(QPalette::Window));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CSurfaceDialog::AllowResize(QSize minimum)
{
    // The window flags stay: changing them would hide a dialog that is showing.
    setMinimumSize(minimum);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void CSurfaceDialog::FitToScreen()
{
    const QScreen* screen = this->screen();
    if (!screen)
        return;
    const QRect room = screen->availableGeometry();
    if (width() > room.width() || height() > room.height())
        resize(size().boundedTo(room.size()).expandedTo(minimumSize()));
    const QRect frame = frameGeometry();
    const int x = std::clamp(frame.x(), room.left(), std::max(room.left(), room.right() + 1 - frame.width()));
    const int y = std::clamp(frame.y(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height()));
    if (x != frame.x() || y != frame.y())
        move(x, y);
}

void CSurfaceDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_surface.size() == size())
        return;
    QImage surface(size(), QImage::Format_RGB32);
    surface.fill(palette().color(QPalette::Window));
    QPainter p(&surface);
    p.drawImage(0, 0, m_surface);
    p.end();
    m_surface = std::move(surface);
}

void CSurfaceDialog::ExtendHeight(int heightDlu)
{
    setFixedSize(width(), height() + m_units.y(heightDlu));
    QImage surface(size(), QImage::Format_RGB32);
    surface.fill(palette().color(QPalette::Window));
    QPainter p(&surface);
    p.drawImage(0, 0, m_surface);
    p.end();
    m_surface = std::move(surface);
}

QWidget* CSurfaceDialog::Control(int id) const
{
    return findChild<QWidget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

PixelRect CSurfaceDialog::ControlRect(int id) const
{
    const QWidget* w = Control(id);
    if (!w)
        return {};
    const QRect g = w->geometry();
    return PixelRect{g.x(), g.y(), g.x() + g.width(), g.y() + g.height()};
}

QFrame* CSurfaceDialog::AddFrame(int id, int x, int y, int width, int height, bool sunken)
{
    auto* frame = new QFrame(this);
    if (sunken) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    } else {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        QPalette pal = frame->palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        frame->setPalette(pal);
    }
    frame->setLineWidth(1);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setAutoFillBackground(false);
    PlaceWidget(frame, id, x, y, width, height);
    return frame;
}

void CSurfaceDialog::PlaceWidget(QWidget* w, int id, int x, int y, int width, int height)
{
    if (id > 0)
        w->setObjectName(QString::number(id));
    w->setGeometry(m_units.rect(x, y, width, height));
}

void CSurfaceDialog::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    p.drawImage(event->rect(), m_surface, event->rect());
}
