#pragma once
#include <QObject>

class QStatusBar;

// Menus show no status tip for a disabled item; this filter, installed on a menu,
// shows the tip of the disabled item under the mouse (why the command is off) in the
// status bar.
class CDisabledTipFilter : public QObject {
    Q_OBJECT
public:
    CDisabledTipFilter(QStatusBar* statusBar, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStatusBar* m_statusBar; // not owned
    bool m_showing = false;
};
