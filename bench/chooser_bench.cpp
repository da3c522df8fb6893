// Times the profile tools on generated many-profile files and prints the figures:
// listing a 5000-profile file in the chooser (target < 0.3 s), and the graph viewer
// with every profile of a 300-profile x 1000-level file drawn (full redraw < 50 ms,
// level-cursor move < 5 ms). `--shots DIR FILE` also saves pictures of the three
// dialogs on FILE (Profile View, Graph View with every profile, Save CSV File).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTableView>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <numeric>
#include <vector>

#include "argo_multi_file.h"
#include "chooser/ProfileChooser.h"
#include "display/GraphDlg.h"
#include "display/ProfileDlg.h"
#include "profile/CsvSaveDlg.h"
#include "profile/csv_variables.h"
#include "profile/profile_levels.h"
#include "profile/profile_summary.h"

namespace {

// CPU time of this thread, in ms: the machine's other load does not count in it.
double ThreadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Stats {
    double mean = 0, median = 0, max = 0;
};

Stats Summarise(std::vector<double> ms)
{
    Stats s;
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    s.mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
    s.median = ms[ms.size() / 2];
    s.max = ms.back();
    return s;
}

std::vector<std::size_t> AllProfiles(std::size_t n)
{
    std::vector<std::size_t> all(n);
    std::iota(all.begin(), all.end(), std::size_t{0});
    return all;
}

void SaveShots(const QString& dir, const QString& file)
{
    const std::string path = QFile::encodeName(file).toStdString();
    const ProfileToolsInfo info = ReadProfileToolsInfo(path);
    ProfileSummaryList list = ReadProfileSummaries(path);
    {
        CProfileDlg dlg;
        dlg.SetFilePath(file);
        dlg.SetProfiles(list.profiles, info.extent);
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        if (dlg.Chooser() && list.profiles.size() > 1)
            dlg.Chooser()->Choose({1});
        QCoreApplication::processEvents();
        dlg.grab().save(dir + "/profile_view.png");
    }
    {
        CGraphDlg dlg;
        dlg.SetProfiles(list.profiles,
                        [path, info](std::span<const std::size_t> p, std::vector<CLevelArray>& out, QString*) {
                            return LoadProfileLevels(path, info.extent, p, out).ok;
                        });
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        dlg.Chooser()->Choose(AllProfiles(list.profiles.size()));
        QCoreApplication::processEvents();
        const PixelRect plot = dlg.PlotRect();
        dlg.OnMouseMoveAt(plot.left + 40, (plot.top + plot.bottom) / 3);
        QCoreApplication::processEvents();
        dlg.grab().save(dir + "/graph_view.png");
    }
    {
        CCsvSaveDlg dlg;
        dlg.m_szPath = file;
        dlg.OnInitDialog();
        dlg.SetProfiles(list.profiles, info.extent);
        dlg.show();
        (void)QTest::qWaitForWindowExposed(&dlg);
        dlg.grab().save(dir + "/csv_save.png");
    }
    std::printf("pictures saved in %s\n", qPrintable(dir));
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == "--shots") {
        SaveShots(args[2], args[3]);
        return 0;
    }
    const QString dir = args.size() >= 2 ? args[1] : QDir::tempPath();
    QElapsedTimer timer;

    // The chooser on 5000 profiles: reading the summaries and listing them.
    const std::string big = (dir + "/bench-5000x500.nc").toStdString();
    benchfile::WriteArgoMultiFile(big, 5000, 500);
    std::vector<double> listing;
    for (int run = 0; run < 5; ++run) {
        timer.start();
        ProfileSummaryList list = ReadProfileSummaries(big);
        CProfileChooser chooser;
        chooser.resize(900, 300);
        chooser.SetProfiles(std::move(list.profiles));
        chooser.show();
        QCoreApplication::processEvents();
        listing.push_back(timer.nsecsElapsed() / 1e6);
    }
    const Stats l = Summarise(listing);
    std::printf("chooser, 5000 profiles listed and shown: median %.1f ms, max %.1f ms (target < 300 ms)\n", l.median,
                l.max);

    // Graph View with every profile of 300 x 1000 drawn.
    const std::string file = (dir + "/bench-300x1000.nc").toStdString();
    benchfile::WriteArgoMultiFile(file, 300, 1000);
    const ProfileToolsInfo info = ReadProfileToolsInfo(file);
    ProfileSummaryList list = ReadProfileSummaries(file);
    CGraphDlg dlg;
    dlg.SetProfiles(std::move(list.profiles),
                    [&](std::span<const std::size_t> p, std::vector<CLevelArray>& out, QString*) {
                        return LoadProfileLevels(file, info.extent, p, out).ok;
                    });
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        return 1;
    timer.start();
    dlg.Chooser()->Choose(AllProfiles(300));
    const double chooseAll = timer.nsecsElapsed() / 1e6;
    QCoreApplication::processEvents();

    std::vector<double> redraws, drawing, drawingCpu;
    for (int k = 0; k < 100; ++k) {
        const double cpu = ThreadCpuMs();
        timer.start();
        dlg.OnReview();
        drawing.push_back(timer.nsecsElapsed() / 1e6);
        drawingCpu.push_back(ThreadCpuMs() - cpu);
        QCoreApplication::processEvents();
        redraws.push_back(timer.nsecsElapsed() / 1e6);
    }
    const PixelRect plot = dlg.PlotRect();
    std::vector<double> moves, movesCpu;
    const int span = plot.bottom - plot.top;
    for (int k = 0; k < 2000; ++k) {
        const int step = k % (2 * span);
        const int y = plot.top + (step < span ? step : 2 * span - step);
        const int before = dlg.CursorLevel();
        const double cpu = ThreadCpuMs();
        timer.start();
        dlg.OnMouseMoveAt(plot.left + 40, y);
        QCoreApplication::processEvents();
        if (dlg.CursorLevel() != before) {
            moves.push_back(timer.nsecsElapsed() / 1e6);
            movesCpu.push_back(ThreadCpuMs() - cpu);
        }
    }
    const Stats r = Summarise(redraws), m = Summarise(moves), d = Summarise(drawing), c = Summarise(drawingCpu);
    std::printf("graph, full redraw into the image: mean %.2f ms, median %.2f ms, max %.2f ms; CPU time median "
                "%.2f ms\n",
                d.mean, d.median, d.max, c.median);
    std::printf("graph, all 300 profiles x 1000 levels chosen (read and drawn): %.1f ms\n", chooseAll);
    std::printf("graph, full redraw with repaint: mean %.2f ms, median %.2f ms, max %.2f ms (target < 50 ms)\n", r.mean,
                r.median, r.max);
    std::printf("graph, cursor move with repaint (%zu level changes): mean %.3f ms, median %.3f ms, max %.3f ms "
                "(target < 5 ms); CPU time median %.3f ms\n",
                moves.size(), m.mean, m.median, m.max, Summarise(movesCpu).median);
    std::printf("files: %s %s\n", big.c_str(), file.c_str());
    return 0;
}
