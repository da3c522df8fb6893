#include "app/KeyIndicators.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QTimer>

namespace {
// The lock keys' states as bits 0 (caps), 1 (num), 2 (scroll); -1 when unknown.
int LockStates();
} // namespace

CKeyIndicators::CKeyIndicators(QLabel* caps, QLabel* num, QLabel* scroll, QObject* parent)
    : QObject(parent), m_labels{caps, num, scroll}
{
    for (QLabel* label : m_labels)
        label->setMinimumWidth(label->sizeHint().width());
    if (Refresh() && qGuiApp) {
        qGuiApp->installEventFilter(this);
        // A lock can also change while another window has the keyboard: look again now
        // and then, as the indicators of the status bar are updated at idle time.
        auto* timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &CKeyIndicators::Refresh);
        timer->start(500);
    }
}

bool CKeyIndicators::Refresh()
{
    static const char* const texts[] = {"CAP", "NUM", "SCRL"};
    const int states = LockStates();
    for (int i = 0; i < 3; ++i) {
        if (states < 0) {
            m_labels[i]->setText(QLatin1String(texts[i]));
            m_labels[i]->setEnabled(false);
        } else {
            m_labels[i]->setEnabled(true);
            m_labels[i]->setText((states >> i) & 1 ? QLatin1String(texts[i]) : QString());
        }
    }
    return states >= 0;
}

bool CKeyIndicators::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyRelease || type == QEvent::ApplicationStateChange)
        Refresh();
    return QObject::eventFilter(watched, event);
}

// Last in the file: the X11 headers define macros (KeyRelease, None) that clash with Qt's names.
#ifdef BW_HAVE_XKB
#include <X11/XKBlib.h>
#endif

namespace {

int LockStates()
{
#ifdef BW_HAVE_XKB
    if (auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        unsigned int state = 0;
        if (Display* display = x11->display();
            display && XkbGetIndicatorState(display, XkbUseCoreKbd, &state) == Success)
            return static_cast<int>(state & 0x7);
    }
#endif
    return -1;
}

} // namespace
