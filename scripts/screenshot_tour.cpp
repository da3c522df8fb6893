// Opens the program's windows one after another on a file and saves a picture of each,
// for the README: the main window, then each command named on the command line.
//   tool_screenshot_tour FILE OUTDIR NAME=COMMAND_ID...
// Each window is grabbed once it has shown (modal dialogs too), then closed.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <set>

#include "BrinewickApp.h"
#include "BrinewickDoc.h"
#include "MainFrame.h"

namespace {

// The newest visible top-level window other than the main one and those seen before.
QWidget* NewWindow(QWidget* main, const std::set<QWidget*>& before)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w != main && w->isVisible() && !before.count(w) && w->windowType() != Qt::ToolTip)
            return w;
    return nullptr;
}

bool Save(QWidget* w, const QString& path)
{
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fputs("usage: tool_screenshot_tour FILE OUTDIR [NAME=COMMAND_ID...]\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    CBrinewickDoc::SetReaderProgram(QApplication::applicationDirPath().toStdString() + "/../brinewick");
    CBrinewickApp theApp;
    if (!theApp.InitInstance({QString::fromLocal8Bit(argv[1])}))
        return 1;
    CMainFrame* frame = theApp.MainFrame();
    frame->resize(1000, 680);
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(out);
    int failures = 0;

    QTimer::singleShot(800, [&] {
        failures += !Save(frame, out + "/main.png");
        for (int i = 3; i < argc; ++i) {
            const QString spec = QString::fromLocal8Bit(argv[i]);
            const QString name = spec.section('=', 0, 0);
            const int id = spec.section('=', 1).toInt();
            QAction* action = frame->Action(id);
            if (!action || !action->isEnabled()) {
                std::printf("skipped %s (command %d not offered)\n", qPrintable(name), id);
                continue;
            }
            std::set<QWidget*> before;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    before.insert(w);
            // A modal window runs its own loop inside trigger(): grab it from a timer.
            bool grabbed = false;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                QWidget* w = NewWindow(frame, before);
                if (!w || grabbed)
                    return;
                grabbed = true;
                QTimer::singleShot(1200, [&, w] {
                    failures += !Save(w, out + "/" + name + ".png");
                    if (auto* dlg = qobject_cast<QDialog*>(w))
                        dlg->reject();
                    else
                        w->close();
                });
            });
            poll.start(100);
            action->trigger();
            while (!grabbed || NewWindow(frame, before)) // a modeless window: wait until closed
                QApplication::processEvents(QEventLoop::AllEvents, 50);
            poll.stop();
        }
        QApplication::exit(failures ? 1 : 0);
    });
    return QApplication::exec();
}
