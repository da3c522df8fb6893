// The main window as a user meets it: start-up and titles, the enabling rules, opening
// good and bad files, saving the text, the recent-file list and printing.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QStatusBar>
#include <QLineEdit>
#include <QToolBar>
#include <QTreeWidget>
#include <netcdf.h>

#include "ShellTestSupport.h"
#include "BrinewickApp.h"
#include "BrinewickDoc.h"
#include "BrinewickView.h"
#include "CommandIds.h"
#include "text/CompactText.h"
#include "DocController.h"

#include <QFile>
#include <QFileInfo>
#include "MainFrame.h"
#include "PrintPreviewDlg.h"
#include "StructurePanel.h"
#include "overview/FloatOverview.h"
#include "overview/OverviewPlots.h"
#include "chooser/ProfileChooser.h"
#include "display/GraphDlg.h"
#include "display/ProfileDlg.h"
#include "uikit/AppSettings.h"
#include "cdl/render_cdl.h"
#include "uikit/BackgroundTask.h"

using namespace cmd;

namespace {

std::string Rendered(const QString& path)
{
    return render_cdl_text(path.toStdString());
}

std::string Shown(const QString& path)
{
    std::string text = Rendered(path);
    CompactDataSection(text);
    return text;
}

// A netCDF file with the given dimensions and nothing else.
QString MakeDims(const QString& path, const std::vector<std::pair<const char*, size_t>>& dims)
{
    int ncid = 0, dimid = 0;
    if (nc_create(path.toUtf8().constData(), NC_CLOBBER, &ncid) != NC_NOERR)
        return {};
    for (const auto& [name, len] : dims)
        nc_def_dim(ncid, name, len, &dimid);
    nc_enddef(ncid);
    nc_close(ncid);
    return path;
}

bool CopyTo(const QString& from, const QString& to)
{
    QFile::remove(to);
    return QFile::copy(from, to);
}

} // namespace

class TestShellWindow : public QObject {
    Q_OBJECT

    std::unique_ptr<ShellTestEnv> env;
    std::unique_ptr<CBrinewickApp> app;

    CMainFrame* frame() { return app->MainFrame(); }
    CBrinewickView* view() { return frame()->View(); }
    bool enabled(int id) { return frame()->Action(id)->isEnabled(); }
    bool start(const QStringList& args = {})
    {
        app = std::make_unique<CBrinewickApp>();
        if (!app->InitInstance(args))
            return false;
        frame()->Controller()->WaitForLoad();
        // Keys reach the window's shortcuts only while it is the active window.
        QApplication::setActiveWindow(frame());
        return QTest::qWaitForWindowActive(frame());
    }

private slots:
    void init() { env = std::make_unique<ShellTestEnv>(); }
    void cleanup()
    {
        app.reset();
        env.reset();
    }

    void startsUntitledWithTextCommandsDisabled()
    {
        QVERIFY(start());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("Untitled - Brinewick"));
        QVERIFY(view()->IsTextEmpty());
        for (int id :
             {ID_ALL_SELECT, ID_EDIT_FIND, ID_FIND_NEXT, ID_JUMP_TOP, ID_JUMP_DIMENSIONS, ID_JUMP_VARIABLES,
              ID_JUMP_DATA, ID_JUMP_TAIL, ID_GOTO_LINE, ID_SAVE_CSV, ID_PROFILE_VIEW, ID_GRAPH_VIEW, ID_FILE_SAVE_AS,
              ID_FILE_SAVE, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_EDIT_COPY, ID_EDIT_CUT, ID_FLOAT_OVERVIEW})
            QVERIFY2(!enabled(id), qPrintable(frame()->Action(id)->objectName()));
        QVERIFY(enabled(ID_FTP_TRANSMIT));
        QVERIFY(enabled(ID_FILE_PRINT_DIRECT));
        QVERIFY(enabled(ID_FILE_OPEN));
        QVERIFY(env->boxes.empty());
    }

    void menusToolbarAndStatusBar()
    {
        QVERIFY(start());
        QCOMPARE(frame()->Action(ID_EDIT_FIND)->text(), QStringLiteral("Find...(&F)\tCtrl+F"));
        QCOMPARE(frame()->Action(ID_EDIT_FIND)->toolTip(), QStringLiteral("Find..."));
        QCOMPARE(frame()->Action(ID_JUMP_TOP)->toolTip(), QStringLiteral("Top"));
        // The keys the Edit menu shows are bound.
        QCOMPARE(frame()->Action(ID_ALL_SELECT)->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
        QCOMPARE(frame()->Action(ID_FIND_NEXT)->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(frame()->Action(ID_JUMP_TAIL)->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
        QVERIFY(frame()->Action(ID_EDIT_COPY)->shortcuts().contains(QKeySequence(QStringLiteral("Ctrl+Ins"))));
        // Toolbar order with its separators.
        QStringList order;
        for (QAction* a : frame()->ToolBar()->actions())
            order << (a->isSeparator() ? QStringLiteral("|") : a->objectName());
        QCOMPARE(order.join(QLatin1Char(' ')),
                 QStringLiteral("ID_FILE_OPEN | ID_EDIT_COPY ID_FILE_PRINT | ID_EDIT_FIND ID_FIND_NEXT | "
                                "ID_JUMP_TOP | ID_JUMP_DIMENSIONS ID_JUMP_VARIABLES ID_JUMP_DATA "
                                "ID_JUMP_TAIL | ID_GOTO_LINE | ID_FLOAT_OVERVIEW | ID_APP_ABOUT"));
        QVERIFY(frame()->Action(ID_VIEW_TOOLBAR)->isChecked());
        frame()->Action(ID_VIEW_STATUS_BAR)->trigger();
        QVERIFY(frame()->statusBar()->isHidden());
        auto* ready = frame()->statusBar()->findChild<QLabel*>(QStringLiteral("messagePane"));
        QVERIFY(ready);
        QCOMPARE(ready->text(), QStringLiteral("Ready"));
        // The off-screen platform does not report the lock keys: the panes show disabled.
        for (const char* key : {"CAP", "NUM", "SCRL"}) {
            auto* pane = frame()->statusBar()->findChild<QLabel*>(QLatin1String(key));
            QVERIFY(pane);
            QCOMPARE(pane->text(), QLatin1String(key));
            QVERIFY(!pane->isEnabled());
        }
    }

    void opensFileFromCommandLine()
    {
        const QString path = DataFile("D5900446_001.nc");
        QVERIFY(start({path}));
        QVERIFY2(env->boxes.empty(), env->boxes.empty() ? "" : qPrintable(env->boxes[0].text));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("D5900446_001.nc - Brinewick"));
        QCOMPARE(view()->Buffer().bytes(), Shown(path));
        QVERIFY(view()->m_bProfileFile);
        for (int id : {ID_SAVE_CSV, ID_PROFILE_VIEW, ID_GRAPH_VIEW, ID_EDIT_FIND, ID_FILE_SAVE_AS})
            QVERIFY(enabled(id));
        QVERIFY(!enabled(ID_FIND_NEXT)); // no search string yet
        QCOMPARE(OpenAppSettings()->value(QStringLiteral("Recent File List/File1")).toString(), path);
        QCOMPARE(frame()->Document()->FilePath(), path);
        // The dimension and variable names came with the rendering.
        QVERIFY(std::find(view()->m_astrVariables.begin(), view()->m_astrVariables.end(), "PRES") !=
                view()->m_astrVariables.end());
    }

    void missingFileOnCommandLineFailsStartUp()
    {
        QVERIFY(!start({env->tempPath(QStringLiteral("nothing.nc"))}));
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QVERIFY(env->boxes[0].text.contains(QStringLiteral("was not found")));
    }

    // The tools are windows beside the main one, linked by their profile choice: a
    // choice in one is made in the others, a double-click on the map opens Graph View
    // on that profile, each comes back at its size, and a new document closes them all.
    void toolsAreModelessAndFollowTheChoice()
    {
        QVERIFY(start({QStringLiteral(BW_TEST_DATA_DIR "/2902696_prof.nc")}));
        for (int id : {ID_GRAPH_VIEW, ID_PROFILE_VIEW, ID_FLOAT_OVERVIEW})
            frame()->Action(id)->trigger();
        CGraphDlg* graph = frame()->GraphView();
        CProfileDlg* table = frame()->ProfileView();
        CFloatOverview* overview = frame()->FloatOverview();
        QVERIFY(graph && table && overview);
        QVERIFY(!graph->isModal() && graph->isVisible() && table->isVisible() && overview->isVisible());
        QVERIFY(env->boxes.empty());

        overview->ChooseProfile(7);
        QCOMPARE(graph->Chooser()->Chosen(), std::vector<std::size_t>{7});
        QCOMPARE(table->Profile(), std::size_t(7));
        graph->Chooser()->Choose({20, 3});
        QCOMPARE(overview->Chosen(), std::size_t(20));
        QCOMPARE(table->Profile(), std::size_t(20));

        // A second command raises the open window; Graph View closed, a double-click opens it.
        frame()->Action(ID_GRAPH_VIEW)->trigger();
        QCOMPARE(frame()->GraphView(), graph);
        graph->resize(graph->width() + 40, graph->height() + 30);
        const QSize size = graph->size();
        graph->close();
        QTRY_VERIFY(!frame()->GraphView());
        emit overview->Map()->profileOpened(12);
        graph = frame()->GraphView();
        QVERIFY(graph);
        QCOMPARE(graph->Chooser()->Chosen(), std::vector<std::size_t>{12});
        QCOMPARE(table->Profile(), std::size_t(12));
        QCOMPARE(graph->size(), size);

        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("D5900446_001.nc")));
        QTRY_VERIFY(!frame()->GraphView() && !frame()->ProfileView() && !frame()->FloatOverview());
    }

    void floatOverviewNeedsProfilesWithDatesAndPositions()
    {
        QVERIFY(start());
        const QString multi = QStringLiteral(BW_TEST_DATA_DIR "/2902696_prof.nc");
        const struct {
            QString file;
            bool offered;
        } cases[] = {
            {DataFile("D5900446_001.nc"), false}, // one profile
            {DataFile("13857_meta.nc"), false},
            {MakeDims(env->tempPath("many.nc"), {{"N_PROF", 300}, {"N_LEVELS", 2}}), false}, // no positions
            {DataFile("D1900857_001.nc"), true},
            {multi, true},
        };
        for (const auto& c : cases) {
            QVERIFY(OpenAndWait(frame()->Controller(), c.file));
            QCOMPARE(enabled(ID_FLOAT_OVERVIEW), c.offered);
        }
        frame()->Action(ID_FLOAT_OVERVIEW)->trigger();
        auto* overview = frame()->findChild<CFloatOverview*>();
        QVERIFY(overview);
        QVERIFY(overview->isVisible());
        QCOMPARE(overview->Track().profiles, std::size_t(51));
        QVERIFY(env->boxes.empty());
        overview->close();
    }

    void profileFlagNeedsExactDimensions()
    {
        QVERIFY(start());
        // The profile tools need N_PROF >= 1 and N_LEVELS > 1, named exactly; the
        // status bar tells why they are off when the user points at them.
        struct Case {
            QString file;
            bool profile;
            QString why;
        };
        const QString needDims = QStringLiteral("Profile tools need the dimensions N_PROF and N_LEVELS");
        const QString needLevels = QStringLiteral("Profile tools need more than one level (N_LEVELS is 1)");
        const QList<Case> cases = {
            {DataFile("D5900446_001.nc"), true, {}},
            {DataFile("D1900857_001.nc"), true, {}}, // N_PROF 2: offered, with a profile choice
            {DataFile("D6901929_075.nc"), false, needLevels},
            {DataFile("13857_meta.nc"), false, needDims}, // neither dimension
            {MakeDims(env->tempPath("lower.nc"), {{"n_prof", 1}, {"N_LEVELS", 5}}), false, needDims},
            {MakeDims(env->tempPath("blank.nc"), {{"N_PROF ", 1}, {"N_LEVELS", 5}}), false, needDims},
            {MakeDims(env->tempPath("one.nc"), {{"N_PROF", 1}, {"N_LEVELS", 1}}), false, needLevels},
            {MakeDims(env->tempPath("made.nc"), {{"N_LEVELS", 2}, {"N_PROF", 1}}), true, {}},
            {MakeDims(env->tempPath("many.nc"), {{"N_PROF", 300}, {"N_LEVELS", 2}}), true, {}},
        };
        for (const Case& c : cases) {
            QVERIFY(OpenAndWait(frame()->Controller(), c.file));
            QVERIFY2(env->boxes.empty(), qPrintable(c.file));
            QCOMPARE(view()->m_bProfileFile, c.profile);
            for (int id : {ID_SAVE_CSV, ID_PROFILE_VIEW, ID_GRAPH_VIEW}) {
                QCOMPARE(enabled(id), c.profile);
                QCOMPARE(frame()->Action(id)->statusTip(), c.why);
            }
        }
        // Pointing at the disabled item in its menu shows the reason.
        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("13857_meta.nc")));
        QMenu* viewMenu = nullptr;
        for (QObject* o : frame()->Action(ID_PROFILE_VIEW)->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(o))
                viewMenu = m;
        QVERIFY(viewMenu);
        viewMenu->popup(frame()->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(viewMenu));
        const QPoint at = viewMenu->actionGeometry(frame()->Action(ID_PROFILE_VIEW)).center();
        QMouseEvent move(QEvent::MouseMove, at, viewMenu->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewMenu, &move);
        QCOMPARE(frame()->statusBar()->currentMessage(),
                 QStringLiteral("Profile tools need the dimensions N_PROF and N_LEVELS"));
        viewMenu->hide();
    }

    void newEmptiesTheView()
    {
        QVERIFY(start({DataFile("D5900446_001.nc")}));
        QTest::keyClick(view(), Qt::Key_N, Qt::ControlModifier);
        QVERIFY(view()->IsTextEmpty());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("Untitled - Brinewick"));
        QVERIFY(!enabled(ID_EDIT_FIND));
        QVERIFY(!frame()->Document()->m_bFilePresent);
    }

    // A file that opens but cannot be rendered, opened or fetched while another is
    // shown, changes nothing the user sees: title, path, recent list, text and tools
    // stay those of the file shown, and the message names the file that failed.
    void badFileChangesNothingTheUserSees()
    {
        const QString good = DataFile("D5900446_001.nc");
        QVERIFY(start({good}));
        const std::string before = view()->Buffer().bytes();
        auto recent = [] { return OpenAppSettings()->value(QStringLiteral("Recent File List/File1")).toString(); };
        const QString recentBefore = recent();
        const QString fetched = env->tempPath("fetched.nc");
        {
            QFile f(fetched);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("CDF\x01 this is no netCDF header");
        }
        for (const QString& bad : {DataFile("README.md"), fetched}) {
            env->boxes.clear();
            if (bad == fetched)
                ShowFetchedAndWait(frame()->Controller(), bad);
            else
                QVERIFY(OpenAndWait(frame()->Controller(), bad));
            QCOMPARE(env->boxes.size(), std::size_t(1));
            QCOMPARE(env->boxes[0].caption, QStringLiteral("File reading error"));
            QCOMPARE(env->boxes[0].icon, MbIcon::Stop);
            QVERIFY(env->boxes[0].text.startsWith(bad));
            QCOMPARE(env->boxes[0].text.contains(QStringLiteral("fetched file is kept")), bad == fetched);
            QVERIFY(view()->Buffer().bytes() == before);
            QCOMPARE(frame()->windowTitle(), QStringLiteral("D5900446_001.nc - Brinewick"));
            QCOMPARE(frame()->Document()->FilePath(), good);
            QCOMPARE(recent(), recentBefore);
            QVERIFY(view()->m_bProfileFile);
            QVERIFY(enabled(ID_PROFILE_VIEW));
        }
        QVERIFY(QFile::exists(fetched));
        // Save Text File still writes the shown file's text.
        env->boxes.clear();
        env->savePath = env->tempPath("kept.txt");
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(env->boxes.empty());
        QVERIFY(ReadAll(env->savePath) == Rendered(good));
    }

    // A load runs on a worker: cancelling it, or starting another load before it ends,
    // never shows a text under another file's title, and a cancelled load changes
    // nothing the user sees.
    void cancelledAndOvertakenLoadsChangeNothing()
    {
        const QString first = DataFile("D5900446_001.nc"), second = DataFile("D1900857_001.nc");
        QVERIFY(start({first}));
        const std::string before = view()->Buffer().bytes();
        const QString recent = OpenAppSettings()->value(QStringLiteral("Recent File List/File1")).toString();

        SetBackgroundTaskHook([](JobControl& control) { control.RequestCancel(); });
        QVERIFY(OpenAndWait(frame()->Controller(), second));
        SetBackgroundTaskHook({});
        QVERIFY(env->boxes.empty());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("D5900446_001.nc - Brinewick"));
        QCOMPARE(frame()->Document()->FilePath(), first);
        QVERIFY(view()->Buffer().bytes() == before);
        QCOMPARE(OpenAppSettings()->value(QStringLiteral("Recent File List/File1")).toString(), recent);
        QVERIFY(view()->m_bProfileFile);

        // The second open starts while the first still runs: only the second shows.
        bool nested = false;
        SetBackgroundTaskHook([&](JobControl&) {
            if (nested)
                return;
            nested = true;
            OpenAndWait(frame()->Controller(), first);
        });
        QVERIFY(OpenAndWait(frame()->Controller(), second));
        SetBackgroundTaskHook({});
        QVERIFY(env->boxes.empty());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("D5900446_001.nc - Brinewick"));
        QCOMPARE(view()->Buffer().bytes(), Shown(first));
        QCOMPARE(frame()->Document()->FilePath(), first);
    }

    // A text streams in: as soon as the file opens, the title, structure and tools are
    // the new file's and the commands work on the text that has come. Cancel keeps what
    // came, with a last line saying why it stops; Save Text File still writes all of it.
    void textStreamsInAndCancelKeepsWhatCame()
    {
        QVERIFY(start());
        const QString big = env->tempPath("big.nc");
        {
            int ncid = 0, dim = 0, var = 0;
            QCOMPARE(nc_create(big.toUtf8().constData(), NC_CLOBBER, &ncid), NC_NOERR);
            nc_def_dim(ncid, "N", 4000000, &dim);
            nc_def_var(ncid, "v", NC_FLOAT, 1, &dim, &var);
            nc_enddef(ncid);
            nc_close(ncid);
        }
        CDocController* controller = frame()->Controller();
        QVERIFY(controller->OpenDocument(big));
        QVERIFY(controller->IsLoading());
        QCOMPARE(frame()->windowTitle(), QStringLiteral("big.nc - Brinewick"));
        QCOMPARE(view()->Structure().variables.size(), std::size_t(1));
        QVERIFY(controller->LoadStatus().startsWith(QStringLiteral("Reading big.nc")));
        QTRY_VERIFY(!view()->IsTextEmpty());
        QVERIFY(view()->Buffer().bytes().rfind("netcdf big {", 0) == 0);
        controller->CancelLoad();
        controller->WaitForLoad();
        QVERIFY(env->boxes.empty());
        const std::string& shown = view()->Buffer().bytes();
        const std::string last = "// The text stops here because the load was cancelled.\r\n";
        QVERIFY(shown.size() > last.size() && shown.compare(shown.size() - last.size(), last.size(), last) == 0);
        QVERIFY(shown.size() < Shown(big).size());
        QCOMPARE(view()->Buffer().lineText(view()->Buffer().lineCount() - 2),
                 std::string_view(last).substr(0, last.size() - 2));
        env->savePath = env->tempPath("all.cdl");
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(env->boxes.empty());
        QVERIFY(ReadAll(env->savePath) == Rendered(big));
    }

    // Read through the helper process, a file shows as it does in this process; a helper
    // that the library takes down (a test hook raises the signal) becomes a "File
    // reading error" box naming the file, and the window and its text live on.
    void helperProcessReadsAndItsCrashIsAnError()
    {
        CBrinewickDoc::SetReaderProgram(BW_BINARY);
        const QString path = DataFile("D5900446_001.nc");
        QVERIFY(start({path}));
        QVERIFY(env->boxes.empty());
        QCOMPARE(view()->Buffer().bytes(), Shown(path));
        QVERIFY(view()->m_bProfileFile);
        CdlOutcome inProcess;
        render_cdl_text(path.toStdString(), &inProcess);
        QVERIFY(view()->m_astrDimensions == inProcess.dimension_names);
        QVERIFY(view()->m_astrVariables == inProcess.variable_names);
        QCOMPARE(view()->Structure().variables.size(), inProcess.variables.size());
        QCOMPARE(view()->Structure().variables[1].long_name, inProcess.variables[1].long_name);
        QCOMPARE(view()->Structure().globalAttributes, inProcess.global_attribute_names);

        // A variable over the text limit is summarised: the text shows, with a note.
        AppKey::kVariableTextLimitMB.Write(1);
        const QString big = env->tempPath("big.nc");
        {
            int ncid = 0, dim = 0, var = 0;
            QCOMPARE(nc_create(big.toUtf8().constData(), NC_CLOBBER, &ncid), NC_NOERR);
            nc_def_dim(ncid, "N", 1000000, &dim);
            nc_def_var(ncid, "v", NC_FLOAT, 1, &dim, &var);
            nc_enddef(ncid);
            nc_close(ncid);
        }
        QVERIFY(OpenAndWait(frame()->Controller(), big));
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QCOMPARE(env->boxes[0].caption, QStringLiteral("Brinewick"));
        QVERIFY2(env->boxes[0].text.contains(QStringLiteral("variable v is not listed")),
                 qPrintable(env->boxes[0].text));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("big.nc - Brinewick"));
        QVERIFY(view()->Buffer().bytes().find("values not listed") != std::string::npos);
        env->boxes.clear();
        OpenAndWait(frame()->Controller(), path);

        // The next helper raises the signal as its first reading starts.
        qputenv("BRINEWICK_TEST_CHILD_SIGNAL", "11");
        frame()->Document()->EndReader();
        const bool opened = OpenAndWait(frame()->Controller(), DataFile("D1900857_001.nc"));
        qunsetenv("BRINEWICK_TEST_CHILD_SIGNAL");
        CBrinewickDoc::SetReaderProgram({});
        QVERIFY(opened);
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QCOMPARE(env->boxes[0].caption, QStringLiteral("File reading error"));
        QVERIFY2(env->boxes[0].text.contains(DataFile("D1900857_001.nc") +
                                             QStringLiteral(": the netCDF library stopped on this file: signal 11")),
                 qPrintable(env->boxes[0].text));
        QCOMPARE(view()->Buffer().bytes(), Shown(path));
    }

    // A cut file shows its header and the values it holds, and says it is cut.
    void truncatedFileShowsWhatItHolds()
    {
        QVERIFY(start());
        const QString cut = env->tempPath("cut.nc");
        QFile in(DataFile("D1900857_001.nc"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QFile out(cut);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(in.read(in.size() - 2000)); // the header whole, the last values cut
        out.close();
        QVERIFY(OpenAndWait(frame()->Controller(), cut));
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QCOMPARE(env->boxes[0].caption, QStringLiteral("Brinewick"));
        QVERIFY2(env->boxes[0].text.contains(QStringLiteral("is cut short (truncated)")),
                 qPrintable(env->boxes[0].text));
        QVERIFY(!env->boxes[0].text.contains(QStringLiteral("Text Limit")));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("cut.nc - Brinewick"));
        QVERIFY(view()->Buffer().bytes().rfind("netcdf cut {", 0) == 0);
        QVERIFY(view()->Buffer().bytes().find("\ndata:") != std::string::npos);
    }

    void saveTextWritesTheRenderedBytes()
    {
        const QString nc = DataFile("D5900446_001.nc");
        QVERIFY(start({nc}));
        env->savePath = env->tempPath("out.txt");
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(env->boxes.empty());
        const std::string saved = ReadAll(env->savePath);
        QVERIFY(saved == Rendered(nc));                       // not compacted
        QVERIFY(saved.find("\r\n\r\n") != std::string::npos); // blank lines kept
        for (std::size_t i = saved.find('\n'); i != std::string::npos; i = saved.find('\n', i + 1))
            QVERIFY(i > 0 && saved[i - 1] == '\r');
        QCOMPARE(frame()->windowTitle(), QStringLiteral("out.txt - Brinewick"));
        auto settings = OpenAppSettings();
        QCOMPARE(settings->value(QStringLiteral("Recent File List/File1")).toString(), env->savePath);
        QCOMPARE(settings->value(QStringLiteral("Recent File List/File2")).toString(), nc);
        QCOMPARE(frame()->Document()->FilePath(), nc);
        // A second save still writes the netCDF file's text; Ctrl+S rewrites the text file.
        env->savePath = env->tempPath("again.txt");
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(ReadAll(env->savePath) == saved);
        QFile::remove(env->savePath);
        QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(env->boxes.empty());
        QVERIFY(ReadAll(env->savePath) == saved);
    }

    void saveTextProposesCdlBesideTheFile()
    {
        const QString nc = env->tempPath("shown.nc");
        QVERIFY(CopyTo(DataFile("D5900446_001.nc"), nc));
        QVERIFY(start({nc}));
        QString proposed;
        SetFileDialogHook([&](bool, const QString& start) {
            proposed = start;
            return QString();
        });
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(proposed, env->tempPath("shown.cdl"));
        QVERIFY(env->boxes.empty());
    }

    void saveNeverOverwritesNetcdf()
    {
        const QString nc = env->tempPath("shown.nc");
        QVERIFY(CopyTo(DataFile("D5900446_001.nc"), nc));
        const std::string original = ReadAll(nc);
        QVERIFY(start({nc}));
        // Ctrl+S right after opening names the netCDF file itself.
        QTest::keyClick(view(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QVERIFY(ReadAll(nc) == original);
        // Save Text File onto another netCDF file, classic or HDF5 based.
        const QString other = env->tempPath("other.nc");
        QVERIFY(CopyTo(DataFile("D1900857_001.nc"), other));
        const std::string otherBytes = ReadAll(other);
        env->savePath = other;
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(env->boxes.size(), std::size_t(2));
        QVERIFY(ReadAll(other) == otherBytes);
        const QString hdf = env->tempPath("four.nc");
        {
            QFile f(hdf);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("\x89HDF\r\n\x1a\n rest");
        }
        env->savePath = hdf;
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(env->boxes.size(), std::size_t(3));
        QVERIFY(ReadAll(hdf).rfind("\x89HDF", 0) == 0);
        QCOMPARE(frame()->windowTitle(), QStringLiteral("shown.nc - Brinewick"));
    }

    void saveWritesNothingWhenRenderingFails()
    {
        const QString nc = env->tempPath("gone.nc");
        QVERIFY(CopyTo(DataFile("D5900446_001.nc"), nc));
        QVERIFY(start({nc}));
        QFile::remove(nc); // the file vanished since it was shown
        env->savePath = env->tempPath("new.txt");
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QCOMPARE(env->boxes[0].caption, QStringLiteral("File reading error"));
        QVERIFY(!QFile::exists(env->savePath));
        // An existing target keeps its old contents.
        {
            QFile f(env->savePath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(ReadAll(env->savePath), std::string("old"));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("gone.nc - Brinewick"));
    }

    void failedWriteIsReported()
    {
        QVERIFY(start({DataFile("D5900446_001.nc")}));
        env->savePath = env->tempPath("no/such/folder/out.txt");
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QVERIFY(env->boxes[0].text.startsWith(QStringLiteral("Failed to save document.")));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("D5900446_001.nc - Brinewick"));
    }

    void overlongPathIsRefused()
    {
        QVERIFY(start({DataFile("D5900446_001.nc")}));
        const std::string before = view()->Buffer().bytes();
        QString longPath = env->tempPath(QString(250, QLatin1Char('d')));
        longPath += QLatin1Char('/') + QString(250, QLatin1Char('e')) + QLatin1Char('/') +
                    QString(250, QLatin1Char('f')) + QLatin1Char('/') + QString(250, QLatin1Char('g'));
        QVERIFY(QDir().mkpath(QFileInfo(longPath).path()));
        QVERIFY(CopyTo(DataFile("D1900857_001.nc"), longPath));
        QVERIFY(!OpenAndWait(frame()->Controller(), longPath));
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QVERIFY(view()->Buffer().bytes() == before);
        QCOMPARE(frame()->Document()->FilePath(), DataFile("D5900446_001.nc"));
        QCOMPARE(frame()->windowTitle(), QStringLiteral("D5900446_001.nc - Brinewick"));
    }

    void recentListKeepsFourAndOpens()
    {
        QVERIFY(start());
        const char* files[] = {"D5900446_001.nc", "D1900857_001.nc", "D6901929_075.nc", "R2901623_000.nc",
                               "R2901746_001.nc"};
        for (const char* f : files)
            QVERIFY(OpenAndWait(frame()->Controller(), DataFile(f)));
        auto settings = OpenAppSettings();
        QCOMPARE(settings->value(QStringLiteral("Recent File List/File1")).toString(), DataFile("R2901746_001.nc"));
        QCOMPARE(settings->value(QStringLiteral("Recent File List/File4")).toString(), DataFile("D1900857_001.nc"));
        QVERIFY(!settings->contains(QStringLiteral("Recent File List/File5")));
        auto* entry = frame()->findChild<QAction*>(QStringLiteral("ID_FILE_MRU_FILE4"));
        QVERIFY(entry);
        QVERIFY(frame()->FileMenu()->actions().contains(entry));
        entry->trigger();
        frame()->Controller()->WaitForLoad();
        QCOMPARE(frame()->windowTitle(), QStringLiteral("D1900857_001.nc - Brinewick"));
        QCOMPARE(settings->value(QStringLiteral("Recent File List/File1")).toString(), DataFile("D1900857_001.nc"));
        // A saved text file in the list opens and fails to render.
        env->savePath = env->tempPath("saved.txt");
        frame()->Action(ID_FILE_SAVE_AS)->trigger();
        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("D5900446_001.nc")));
        frame()->findChild<QAction*>(QStringLiteral("ID_FILE_MRU_FILE2"))->trigger();
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QCOMPARE(env->boxes[0].caption, QStringLiteral("File reading error"));
    }

    void fetchedFileBecomesTheDocument()
    {
        // A file fetched by FTP is shown, and the title, the recent list and a later
        // save all follow it rather than the file shown before.
        QVERIFY(start());
        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("D5900446_001.nc")));
        const QString fetched = env->tempPath("R2901623_000.nc");
        QVERIFY(QFile::copy(DataFile("R2901623_000.nc"), fetched));
        ShowFetchedAndWait(frame()->Controller(), fetched);
        QCOMPARE(frame()->windowTitle(), QStringLiteral("R2901623_000.nc - Brinewick"));
        QCOMPARE(frame()->Document()->FilePath(), QFileInfo(fetched).absoluteFilePath());
        QCOMPARE(OpenAppSettings()->value(QStringLiteral("Recent File List/File1")).toString(),
                 QFileInfo(fetched).absoluteFilePath());
        QVERIFY(env->boxes.empty());
    }

    // The panel shows the file's dimensions, variables and global attributes as the
    // library reports them; its items lead to their declarations and data.
    void structurePanelFollowsTheFile()
    {
        const QString path = DataFile("D5900446_001.nc");
        QVERIFY(start({path}));
        CStructurePanel* panel = frame()->StructurePanel();
        QVERIFY(panel->isVisible());
        QTreeWidget* tree = panel->Tree();
        QCOMPARE(tree->topLevelItemCount(), 3);
        int ncid = 0, ndims = 0, nvars = 0, ngatts = 0, unlim = -1;
        QCOMPARE(nc_open(path.toUtf8().constData(), NC_NOWRITE, &ncid), NC_NOERR);
        QCOMPARE(nc_inq(ncid, &ndims, &nvars, &ngatts, &unlim), NC_NOERR);
        QTreeWidgetItem* dims = tree->topLevelItem(0);
        QTreeWidgetItem* vars = tree->topLevelItem(1);
        QTreeWidgetItem* atts = tree->topLevelItem(2);
        QCOMPARE(dims->childCount(), ndims);
        QCOMPARE(vars->childCount(), nvars);
        QCOMPARE(atts->childCount(), ngatts);
        for (int i = 0; i < ndims; ++i) {
            char name[NC_MAX_NAME + 1] = {0};
            size_t len = 0;
            nc_inq_dim(ncid, i, name, &len);
            QCOMPARE(dims->child(i)->text(0), QString::fromUtf8(name));
            QVERIFY(dims->child(i)->text(1).contains(QString::number(len)));
        }
        int pres = -1;
        QCOMPARE(nc_inq_varid(ncid, "PRES", &pres), NC_NOERR);
        char longName[256] = {0};
        QCOMPARE(nc_get_att_text(ncid, pres, "long_name", longName), NC_NOERR);
        for (int i = 0; i < nvars; ++i) {
            char name[NC_MAX_NAME + 1] = {0};
            nc_inq_varname(ncid, i, name);
            QCOMPARE(vars->child(i)->text(0), QString::fromUtf8(name));
        }
        QTreeWidgetItem* presItem = vars->child(pres);
        QCOMPARE(presItem->text(1), QStringLiteral("float(N_PROF, N_LEVELS)"));
        QCOMPARE(presItem->text(2), QString::fromUtf8(longName));
        char title[NC_MAX_NAME + 1] = {0};
        nc_inq_attname(ncid, NC_GLOBAL, 0, title);
        QCOMPARE(atts->child(0)->text(0), QString::fromUtf8(title));
        nc_close(ncid);

        // A click goes to the declaration, the second action to the first data line,
        // each selected in the middle of the view.
        auto selectedLine = [this] {
            std::size_t s = 0, e = 0;
            view()->GetSel(s, e);
            const std::size_t line = view()->Buffer().lineOfOffset(s);
            return std::string(view()->Buffer().lineText(line));
        };
        auto centred = [this] {
            std::size_t s = 0, e = 0;
            view()->GetSel(s, e);
            const QPointF at = view()->PointOfOffset(s);
            return at.y() > view()->viewport()->height() / 4 && at.y() < view()->viewport()->height() * 3 / 4;
        };
        tree->scrollToItem(presItem);
        const QPoint onName = tree->visualItemRect(presItem).topLeft() + QPoint(10, 5);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, onName);
        QCOMPARE(view()->SelectedText(), QStringLiteral("PRES"));
        QCOMPARE(selectedLine(), std::string("\tfloat PRES(N_PROF, N_LEVELS) ;"));
        QVERIFY(centred());
        panel->GoToData(presItem);
        QCOMPARE(view()->SelectedText(), QStringLiteral("PRES"));
        QVERIFY(selectedLine() == "PRES =" || selectedLine().rfind("PRES = ", 0) == 0);
        QVERIFY(centred());
        panel->GoToDeclaration(dims->child(ndims - 1));
        QCOMPARE(view()->SelectedText(), dims->child(ndims - 1)->text(0));
        panel->GoToDeclaration(atts->child(0));
        QVERIFY(selectedLine().rfind("\t\t:" + std::string(title) + " = ", 0) == 0);
        // The View menu's jump brings the global attributes' heading to the top.
        frame()->Action(ID_JUMP_GLOBALS)->trigger();
        QCOMPARE(view()->PointOfOffset(view()->Buffer().bytes().find("// global attributes:")).y(), 0.0);

        // The filter keeps the matching names (or long names) in any case.
        QTest::keyClicks(panel->Filter(), QStringLiteral("pres_adj"));
        int shown = 0;
        for (int i = 0; i < vars->childCount(); ++i)
            if (!vars->child(i)->isHidden()) {
                ++shown;
                QVERIFY(vars->child(i)->text(0).startsWith(QStringLiteral("PRES_ADJUSTED")));
            }
        QVERIFY(shown >= 2);
        QVERIFY(dims->isHidden());

        // Another file refills it; New empties it.
        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("D1900857_001.nc")));
        QVERIFY(tree->topLevelItem(1)->childCount() > 0);
        QTest::keyClick(view(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(tree->topLevelItemCount(), 0);
    }

    // Size, place, toolbar, status bar and panel come back as they were left.
    void windowLayoutIsRemembered()
    {
        QVERIFY(start());
        frame()->resize(640, 480);
        frame()->Action(ID_VIEW_TOOLBAR)->setChecked(false);
        frame()->Action(ID_VIEW_STATUS_BAR)->setChecked(false);
        frame()->Action(ID_VIEW_STRUCTURE)->trigger();
        QVERIFY(frame()->StructurePanel()->isHidden());
        frame()->close();
        app.reset();
        QVERIFY(start());
        QCOMPARE(frame()->size(), QSize(640, 480));
        QVERIFY(frame()->ToolBar()->isHidden());
        QVERIFY(!frame()->Action(ID_VIEW_TOOLBAR)->isChecked());
        QVERIFY(frame()->statusBar()->isHidden());
        QVERIFY(!frame()->Action(ID_VIEW_STATUS_BAR)->isChecked());
        QVERIFY(frame()->StructurePanel()->isHidden());
        QVERIFY(!frame()->Action(ID_VIEW_STRUCTURE)->isChecked());
    }

    void printPreviewLaysOutPagesOnDemand()
    {
        QVERIFY(start({DataFile("D1900857_001.nc")}));
        QPrinter& printer = frame()->Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(env->tempPath("preview.pdf"));
        CPrintPreviewDlg dlg(view()->Buffer(), printer, frame());
        QVERIFY(dlg.PageCount() > 1);
        const QImage page = dlg.RenderPage(dlg.PageCount() - 1, 300);
        bool ink = false;
        for (int y = 0; y < page.height() && !ink; ++y)
            for (int x = 0; x < page.width() && !ink; ++x)
                ink = page.pixelColor(x, y).lightness() < 128;
        QVERIFY(ink);
        dlg.SetPagesShown(2);
        QCOMPARE(OpenAppSettings()->value(QStringLiteral("Settings/PreviewPages")).toInt(), 2);
        CPrintPreviewDlg again(view()->Buffer(), printer, frame());
        QCOMPARE(again.PagesShown(), 2);

        // Zoom and fit; any page is reached through its number.
        dlg.SetPagesShown(1);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* area = dlg.findChild<QScrollArea*>(QStringLiteral("area"));
        const double fitPage = dlg.Scale();
        dlg.findChild<QPushButton*>(QStringLiteral("fitWidth"))->click();
        const double fitWidth = dlg.Scale();
        QVERIFY(fitWidth > fitPage);
        QVERIFY(area->widget()->height() > area->viewport()->height()); // scrolls down the page
        dlg.findChild<QPushButton*>(QStringLiteral("zoomIn"))->click();
        QVERIFY(dlg.Scale() > fitWidth * 1.2);
        QVERIFY(area->widget()->width() > area->viewport()->width());
        dlg.findChild<QPushButton*>(QStringLiteral("zoomOut"))->click();
        dlg.findChild<QPushButton*>(QStringLiteral("zoomOut"))->click();
        QVERIFY(dlg.Scale() < fitWidth);
        dlg.findChild<QPushButton*>(QStringLiteral("fitPage"))->click();
        QCOMPARE(dlg.Scale(), fitPage);
        auto* number = dlg.findChild<QSpinBox*>(QStringLiteral("pageNumber"));
        QCOMPARE(number->maximum(), dlg.PageCount());
        number->setFocus();
        number->selectAll();
        QTest::keyClicks(number, QString::number(dlg.PageCount()));
        QTest::keyClick(number, Qt::Key_Return);
        QCOMPARE(dlg.CurrentPage(), dlg.PageCount() - 1);
        dlg.findChild<QPushButton*>(QStringLiteral("prev"))->click();
        QCOMPARE(number->value(), dlg.PageCount() - 1);
    }

    void printCommandWritesPdf()
    {
        const QString pdf = env->tempPath("out.pdf");
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(e);
        p.start(QStringLiteral(BW_BINARY),
                {QStringLiteral("--print"), DataFile("D5900446_001.nc"), QStringLiteral("-o"), pdf});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(ReadAll(pdf).rfind("%PDF", 0) == 0);
        // Never over a netCDF file.
        const QString nc = env->tempPath("keep.nc");
        QVERIFY(CopyTo(DataFile("D5900446_001.nc"), nc));
        p.start(QStringLiteral(BW_BINARY),
                {QStringLiteral("--print"), DataFile("D5900446_001.nc"), QStringLiteral("-o"), nc});
        QVERIFY(p.waitForFinished(60000));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(ReadAll(nc) == ReadAll(DataFile("D5900446_001.nc")));
    }
};

QTEST_MAIN(TestShellWindow)
#include "test_shell_window.moc"
