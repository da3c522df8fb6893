// The Argo Data window from the main window: a float's whole-float files fetched from
// a data centre's mirror (file://) are shown with their Float Overview, the window open.
#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "BrinewickApp.h"
#include "BrinewickDoc.h"
#include "CommandIds.h"
#include "GdacTestServer.h"
#include "MainFrame.h"
#include "ShellTestSupport.h"
#include "gdac/GdacDlg.h"
#include "gdac/GdacFetchQueue.h"
#include "gdac/GdacResultModel.h"
#include "overview/FloatOverview.h"
#include "uikit/AppSettings.h"

class TestArgoDataWindow : public QObject {
    Q_OBJECT

private slots:
    void floatFilesOpenWithTheFloatOverview()
    {
        ShellTestEnv env;
        QTemporaryDir work;
        qputenv("XDG_CACHE_HOME", work.filePath(QStringLiteral("cache")).toUtf8()); // the indexes' cache
        GdacTestServer::MakeGdacTree(work.filePath(QStringLiteral("root")).toStdString());
        const QString save = work.filePath(QStringLiteral("save"));
        QDir().mkpath(save);
        {
            auto settings = OpenAppSettings();
            settings->setValue(QStringLiteral("Brinewick/gdac_url"),
                               QStringLiteral("file://") + work.filePath(QStringLiteral("root/pub")));
            settings->setValue(QStringLiteral("Brinewick/save_folder"), save);
        }
        CBrinewickApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame* frame = app.MainFrame();
        frame->Action(cmd::ID_ARGO_DATA)->trigger(); // returns at once: the window is modeless
        auto* dlg = frame->findChild<CGdacDlg*>();
        QVERIFY(dlg && dlg->isVisible());
        dlg->findChild<QLineEdit*>(QStringLiteral("wmo"))->setText(QStringLiteral("13857"));
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("search")), Qt::LeftButton);
        QCOMPARE(dlg->Results()->rowCount(), 2);
        dlg->findChild<QTableView*>(QStringLiteral("results"))->selectRow(0);
        QTest::mouseClick(dlg->findChild<QPushButton*>(QStringLiteral("floatFiles")), Qt::LeftButton);
        QTRY_VERIFY(frame->findChild<CFloatOverview*>() != nullptr);
        auto* overview = frame->findChild<CFloatOverview*>();
        QVERIFY(overview->isVisible());
        QCOMPARE(overview->Track().profiles, std::size_t(51));
        QCOMPARE(frame->Document()->FilePath(), save + QStringLiteral("/13857_prof.nc"));
        QTRY_VERIFY(dlg->Queue()->Idle());
        QVERIFY(dlg->isVisible());
        QVERIFY2(env.boxes.empty(), env.boxes.empty() ? "" : qPrintable(env.boxes.front().text));
        overview->close();
    }
};

QTEST_MAIN(TestArgoDataWindow)
#include "test_argo_data_window.moc"
