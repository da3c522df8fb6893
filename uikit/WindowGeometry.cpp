#include "uikit/WindowGeometry.h"

#include <QEvent>
#include <QWidget>

#include "uikit/AppSettings.h"

namespace {

class GeometryKeeper : public QObject {
public:
    GeometryKeeper(QWidget* window, const char* key) : QObject(window), m_key{key, {}} {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Hide)
            m_key.Write(static_cast<QWidget*>(watched)->saveGeometry());
        return false;
    }

private:
    SettingKey<QByteArray> m_key;
};

} // namespace

void RememberGeometry(QWidget* window, const char* key)
{
    const QByteArray saved = SettingKey<QByteArray>{key, {}}.Read();
    if (!saved.isEmpty())
        window->restoreGeometry(saved);
    window->installEventFilter(new GeometryKeeper(window, key));
}
