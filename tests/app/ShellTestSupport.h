#pragma once
// Helpers for driving the real main window in tests: isolated settings, recorded
// message boxes, answered file dialogs, modal dialogs driven from a timer.
#include <QApplication>
#include <QDialog>
#include <QSettings>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DocController.h"
#include "uikit/FileDialogs.h"
#include "uikit/MessageBox.h"

struct RecordedBox {
    QString text;
    QString caption;
    MbIcon icon;
};

class ShellTestEnv {
public:
    ShellTestEnv()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
        SetMessageBoxHook([this](const QString& text, const QString& caption, MbIcon icon) {
            boxes.push_back({text, caption, icon});
            return static_cast<int>(QMessageBox::Ok);
        });
        SetFileDialogHook([this](bool save, const QString&) { return save ? savePath : openPath; });
    }
    ~ShellTestEnv()
    {
        SetMessageBoxHook({});
        SetFileDialogHook({});
    }
    QString tempPath(const QString& name) const { return m_files.filePath(name); }

    std::vector<RecordedBox> boxes;
    QString savePath;
    QString openPath;

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_files;
};

// Runs `step` on the dialog of type T once it is shown modally (polling the event loop),
// then returns; `start` is what opens the dialog (it returns when the dialog ends).
template <class T>
void DriveModal(const std::function<void()>& start, const std::function<void(T*)>& step)
{
    struct State {
        bool active = true;
        bool done = false;
        std::function<void(T*)> step;
    };
    auto state = std::make_shared<State>();
    state->step = step;
    // The pending timer owns the poll; the poll holds itself weakly, or it would never be freed.
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [state, weak = std::weak_ptr<std::function<void()>>(poll)] {
        if (!state->active)
            return;
        if (auto* dlg = qobject_cast<T*>(QApplication::activeModalWidget())) {
            state->done = true;
            state->active = false;
            state->step(dlg);
            return;
        }
        QTimer::singleShot(10, [next = weak.lock()] { (*next)(); });
    };
    QTimer::singleShot(0, [poll] { (*poll)(); });
    start();
    state->active = false;
    QVERIFY(state->done);
}

inline std::string ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

inline QString DataFile(const char* name)
{
    return QStringLiteral(BW_TEST_DATA_DIR "/") + QLatin1String(name);
}

// Opens a file as the user does and waits until its text has loaded.
inline bool OpenAndWait(CDocController* controller, const QString& path)
{
    const bool opened = controller->OpenDocument(path);
    controller->WaitForLoad();
    return opened;
}
inline void ShowFetchedAndWait(CDocController* controller, const QString& path)
{
    controller->ShowFetchedFile(path);
    controller->WaitForLoad();
}
