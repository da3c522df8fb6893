// Times the graph viewer on a generated 1010-level profile: a level-cursor move (the
// line moved to another level, the list scrolled and the row selected), a full redraw
// of the plot, and the painting routine alone. Prints the figures, and the sizes of
// the one-profile plot as SVG and PDF (of this profile and of a real one given as the
// first argument). Targets: 5 ms a move, 30 ms a redraw, SVG < 200 KB, PDF < 300 KB.
#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <QFileInfo>
#include <QPainter>

#include "display/AxisMapping.h"
#include "display/GraphDlg.h"
#include "display/GraphPainter.h"
#include "display/PlotCommand.h"
#include "reader/reader_table.h"
#include "uikit/DialogUnits.h"
#include "support/nc_builder.h"
#include "support/temp_dir.h"
#include "profile/level_records.h"

namespace {

std::string MakeProfile(int levels)
{
    ProfileColumns p;
    for (int i = 0; i < levels; ++i) {
        const float pres = 2.0f + 1.95f * i;
        p.pres.push_back(pres);
        p.temp.push_back(2.0f + 20.0f * std::exp(-pres / 400.0f));
        p.psal.push_back(34.2f + 0.6f * std::exp(-pres / 600.0f));
        p.presAdj.push_back(pres + 0.5f);
        p.tempAdj.push_back(2.0f + 20.0f * std::exp(-pres / 400.0f));
        p.psalAdj.push_back(34.25f + 0.6f * std::exp(-pres / 600.0f));
    }
    return WriteProfile(SharedTempDir().file("bench-1010.nc"), p);
}

struct Stats {
    double mean = 0, median = 0, max = 0;
};

Stats Summarise(std::vector<double> ms)
{
    Stats s;
    std::sort(ms.begin(), ms.end());
    for (double v : ms)
        s.mean += v;
    s.mean /= static_cast<double>(ms.size());
    s.median = ms[ms.size() / 2];
    s.max = ms.back();
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int kLevels = 1010;
    CLevelArray levels;
    if (!LoadLevelArray(MakeProfile(kLevels), levels).ok)
        return 1;

    CGraphDlg dlg;
    dlg.m_pLevels = &levels;
    dlg.show();
    if (!QTest::qWaitForWindowExposed(&dlg))
        return 1;
    QCoreApplication::processEvents();

    const PixelRect plot = dlg.PlotRect();
    const int kMoves = 2000;
    std::vector<double> moves, movesPainted;
    QElapsedTimer timer;
    int changed = 0;
    for (int k = 0; k < kMoves; ++k) {
        // Walk down and up the plot one pixel row at a time: every row is a new level
        // here (about 3.5 levels a pixel), so each move redraws the line and the list.
        const int span = plot.bottom - plot.top;
        const int step = k % (2 * span);
        const int y = plot.top + (step < span ? step : 2 * span - step);
        const int before = dlg.CursorLevel();
        timer.start();
        dlg.OnMouseMoveAt(plot.left + 40, y);
        const double handler = timer.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents(); // the copy of what changed to the screen
        const double painted = timer.nsecsElapsed() / 1e6;
        if (dlg.CursorLevel() != before) {
            ++changed;
            moves.push_back(handler);
            movesPainted.push_back(painted);
        }
    }

    const int kRedraws = 300;
    std::vector<double> redraws, redrawsPainted;
    for (int k = 0; k < kRedraws; ++k) {
        timer.start();
        dlg.OnReview();
        const double handler = timer.nsecsElapsed() / 1e6;
        QCoreApplication::processEvents();
        redraws.push_back(handler);
        redrawsPainted.push_back(timer.nsecsElapsed() / 1e6);
    }

    // The painting routine alone, into an image of the plot area's size.
    std::vector<double> paints;
    QImage image(dlg.AreaRect().Width(), dlg.AreaRect().Height(), QImage::Format_RGB32);
    for (int k = 0; k < kRedraws; ++k) {
        timer.start();
        QPainter painter(&image);
        DrawGraph(painter, PixelRect{0, 0, image.width(), image.height()}, dlg.Settings(), levels, DialogFont());
        painter.end();
        paints.push_back(timer.nsecsElapsed() / 1e6);
    }

    const Stats m = Summarise(moves), mp = Summarise(movesPainted);
    const Stats r = Summarise(redraws), rp = Summarise(redrawsPainted);
    std::printf("levels %d, plot %dx%d pixels\n", levels.GetSize(), plot.Width(), plot.Height());
    std::printf("cursor move (level changed, %d of %d moves): mean %.3f ms, median %.3f ms, max %.3f ms\n", changed,
                kMoves, m.mean, m.median, m.max);
    std::printf("cursor move with repaint: mean %.3f ms, median %.3f ms, max %.3f ms (target < 5 ms)\n", mp.mean,
                mp.median, mp.max);
    std::printf("full redraw (%d): mean %.3f ms, median %.3f ms, max %.3f ms\n", kRedraws, r.mean, r.median, r.max);
    std::printf("full redraw with repaint: mean %.3f ms, median %.3f ms, max %.3f ms (target < 30 ms)\n", rp.mean,
                rp.median, rp.max);
    const Stats pt = Summarise(paints);
    std::printf("painting routine alone (%d): mean %.3f ms, median %.3f ms, max %.3f ms\n", kRedraws, pt.mean,
                pt.median, pt.max);

    // The one-profile plot as SVG and PDF.
    std::vector<std::pair<std::string, std::string>> inputs{{"generated 1010 levels", MakeProfile(kLevels)}};
    if (argc > 1)
        inputs.emplace_back(argv[1], argv[1]);
    for (const auto& [name, path] : inputs)
        for (const char* ext : {"svg", "pdf"}) {
            const std::string out = SharedTempDir().file(std::string("bench-plot.") + ext);
            PlotRequest request;
            request.input = path;
            request.output = out;
            const int status = RunPlotCommand(request, LocalReader());
            std::printf("--plot %s to %s: %s %.1f KB (target < %d KB)\n", name.c_str(), ext,
                        status == 0 ? "" : "FAILED,", QFileInfo(QString::fromStdString(out)).size() / 1024.0,
                        ext[0] == 's' ? 200 : 300);
        }
    return 0;
}
