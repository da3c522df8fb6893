#include "app/DisabledTipFilter.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>

CDisabledTipFilter::CDisabledTipFilter(QStatusBar* statusBar, QObject* parent) : QObject(parent), m_statusBar(statusBar)
{}

bool CDisabledTipFilter::eventFilter(QObject* watched, QEvent* event)
{
    auto* menu = qobject_cast<QMenu*>(watched);
    if (menu && (event->type() == QEvent::MouseMove || event->type() == QEvent::Hide)) {
        const QAction* action = event->type() == QEvent::MouseMove
                                    ? menu->actionAt(static_cast<QMouseEvent*>(event)->position().toPoint())
                                    : nullptr;
        if (action && !action->isEnabled() && !action->statusTip().isEmpty()) {
            m_statusBar->showMessage(action->statusTip());
            m_showing = true;
        } else if (m_showing && (!action || !action->isEnabled())) {
            // An enabled item shows its own tip; elsewhere the disabled one's goes.
            m_statusBar->clearMessage();
            m_showing = false;
        }
    }
    return QObject::eventFilter(watched, event);
}
