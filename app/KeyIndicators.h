#pragma once
// The status bar's CAP, NUM and SCRL panes. Where the platform reports the lock keys
// (X11 with the keyboard extension) each pane shows its text while its key is on and
// stays blank while it is off; elsewhere the panes show their texts disabled.
#include <QObject>

class QLabel;

class CKeyIndicators : public QObject {
    Q_OBJECT
public:
    // The labels are not owned; they must outlive this object's use of them.
    CKeyIndicators(QLabel* caps, QLabel* num, QLabel* scroll, QObject* parent);

    // Reads the keys' states again; false when the platform does not tell.
    bool Refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_labels[3];
};
