// Times the Float Overview on a generated 1000-profile x 1000-level float file and
// prints the figures: the window shown (target < 1 s), the section redrawn after a
// variable change (< 200 ms), and one map pan or zoom frame (< 30 ms). Printed, not
// asserted. `--shot PNG` also saves a picture of the window; `--file FILE` uses FILE.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "argo_multi_file.h"
#include "overview/FloatOverview.h"
#include "overview/OverviewPlots.h"

namespace {

double Median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? 0 : ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString work = args.size() > 1 ? args[1] : QDir::tempPath();
    // `--file FILE` times (and pictures) an existing file instead of the generated one.
    const int given = static_cast<int>(args.indexOf(QStringLiteral("--file")));
    std::string file = (work + QStringLiteral("/overview-1000x1000.nc")).toStdString();
    if (given > 0 && given + 1 < args.size())
        file = args[given + 1].toStdString();
    else
        benchfile::WriteArgoMultiFile(file, 1000, 1000);
    const Coastline& coast = SharedCoastline(QCoreApplication::applicationDirPath().toStdString());

    QElapsedTimer timer;
    timer.start();
    CFloatOverview window;
    QString why;
    if (!window.Load(QString::fromStdString(file), &coast, &why)) {
        std::fprintf(stderr, "overview bench: %s\n", qPrintable(why));
        return 1;
    }
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QCoreApplication::processEvents();
    const double shown = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    std::vector<double> variable;
    for (int i = 0; i < 6; ++i) {
        timer.restart();
        window.ShowVariable(i % 2 ? QStringLiteral("TEMP") : QStringLiteral("PSAL"));
        QCoreApplication::processEvents();
        variable.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::vector<double> frames;
    CTrackMap* map = window.Map();
    for (int i = 0; i < 40; ++i) {
        timer.restart();
        if (i % 2)
            map->ViewForTest().Pan(7, 3);
        else
            map->ViewForTest().ZoomAbout(map->width() / 2.0, map->height() / 2.0, i % 4 ? 1.25 : 0.8);
        map->Redraw();
        map->repaint();
        frames.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    // The whole world: every coastline ring drawn.
    map->ViewForTest() = FitTrack({}, map->View().width, map->View().height);
    std::vector<double> world;
    for (int i = 0; i < 10; ++i) {
        timer.restart();
        map->ViewForTest().Pan(5, 0);
        map->Redraw();
        map->repaint();
        world.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("Float Overview on %s (%zu land rings):\n", file.c_str(), coast.rings.size());
    std::printf("  window shown:                     %7.1f ms (target < 1000)\n", shown);
    std::printf("  section after a variable change:  %7.1f ms median, %.1f max (target < 200)\n", Median(variable),
                *std::max_element(variable.begin(), variable.end()));
    std::printf("  map pan/zoom frame on the track:  %7.1f ms median, %.1f max (target < 30)\n", Median(frames),
                *std::max_element(frames.begin(), frames.end()));
    std::printf("  map pan frame, whole world:       %7.1f ms median, %.1f max (target < 30)\n", Median(world),
                *std::max_element(world.begin(), world.end()));
    const int shot = static_cast<int>(args.indexOf(QStringLiteral("--shot")));
    if (shot > 0 && shot + 1 < args.size()) {
        map->FitView();
        window.ShowVariable(QStringLiteral("TEMP"));
        window.ChooseProfile(
            window.Track().points.empty() ? 0 : window.Track().points[window.Track().points.size() / 2].profile);
        QCoreApplication::processEvents();
        window.grab().save(args[shot + 1]);
        // Under a display, stays up for a moment so that a screenshot can be taken.
        if (QGuiApplication::platformName() != QLatin1String("offscreen"))
            QTest::qWait(3000);
    }
    return 0;
}
