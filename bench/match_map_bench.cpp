// Times the Argo Data window's map of 10 000 matched profiles (a generated index
// search result spread over the oceans and twenty years) on 1000 x 700 and prints the
// figures: the whole map drawn (target < 100 ms), one pan frame and one zoom frame.
// Printed, not asserted. `--shot PNG` also saves the picture; `--window SECONDS` then
// shows the Argo Data window searching a file:// mirror of that index (a box over the
// North Atlantic, a row chosen) for SECONDS, to be looked at or grabbed.
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "gdac/GdacDlg.h"
#include "gdac/GdacMatchMap.h"
#include "gdac/match_points.h"

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
    const int count = 10000;
    std::mt19937 rnd(13);
    std::uniform_real_distribution<double> lat(-70, 70), lon(-180, 180), day(10957, 18262); // 2000-2020
    std::string text;
    for (int i = 0; i < count; ++i) {
        char line[160];
        const std::string date = DayText(day(rnd));
        std::snprintf(line, sizeof line, "aoml/%d/profiles/R%d_%03d.nc,%s%s120000,%.3f,%.3f,A,845,AO,20200101000000\n",
                      1900000 + i / 100, 1900000 + i / 100, i % 100, date.substr(0, 4).c_str(),
                      (date.substr(5, 2) + date.substr(8, 2)).c_str(), lat(rnd), lon(rnd));
        text += line;
    }
    QElapsedTimer parse;
    parse.start();
    std::vector<MatchPoint> points =
        MatchPointsOf("file,date,latitude,longitude,ocean,profiler_type,institution,date_update", text);
    const double parseMs = parse.nsecsElapsed() / 1e6;

    const Coastline& coast = SharedCoastline(QCoreApplication::applicationDirPath().toStdString());
    std::vector<double> bare;
    {
        CMatchMap empty; // the world map alone: sea, land, graticule
        empty.resize(1000, 700);
        empty.SetPoints({}, &coast);
        for (int i = 0; i < 15; ++i) {
            QElapsedTimer t;
            t.start();
            empty.Redraw();
            bare.push_back(t.nsecsElapsed() / 1e6);
        }
    }
    CMatchMap map;
    map.resize(1000, 700);
    map.SetPoints(std::move(points), &coast);
    map.SetTitle(QStringLiteral("core index: 10000 profiles"));
    map.SetChosen({42});
    std::vector<double> draw, pan, zoom;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer t;
        t.start();
        map.Redraw();
        draw.push_back(t.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer t;
        t.start();
        map.ViewForTest().Pan(7, 3);
        map.Redraw();
        pan.push_back(t.nsecsElapsed() / 1e6);
    }
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer t;
        t.start();
        map.ViewForTest().ZoomAbout(500, 350, i % 2 ? 1 / 1.25 : 1.25);
        map.Redraw();
        zoom.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("points from 10000 index lines: %.1f ms (%zu points)\n", parseMs, map.Points().size());
    std::printf("map of 10000 matches, 1000 x 700, drawn (median of 15): %.1f ms (target < 100 ms)\n", Median(draw));
    std::printf("the world map without matches (median of 15): %.1f ms\n", Median(bare));
    std::printf("pan frame (median of 15): %.1f ms\n", Median(pan));
    std::printf("zoom frame (median of 15): %.1f ms\n", Median(zoom));
    std::printf("land: %s\n", coast.ok ? "drawn" : coast.message.c_str());
    const int shot = static_cast<int>(args.indexOf(QStringLiteral("--shot")));
    if (shot > 0 && shot + 1 < args.size())
        map.Image().save(args[shot + 1]);
    const int window = static_cast<int>(args.indexOf(QStringLiteral("--window")));
    if (window <= 0 || window + 1 >= args.size())
        return 0;

    QTemporaryDir mirror;
    QFile index(mirror.filePath(QStringLiteral("ar_index_global_prof.txt")));
    if (!index.open(QIODevice::WriteOnly))
        return 1;
    index.write("# Title : Profile directory file of the Argo Global Data Assembly Center\n"
                "file,date,latitude,longitude,ocean,profiler_type,institution,date_update\n");
    index.write(text.data(), static_cast<qint64>(text.size()));
    index.close();
    GdacOptions options;
    options.cacheDir = mirror.filePath(QStringLiteral("cache")).toStdString();
    CGdacDlg dlg(nullptr, options, {{"Mirror", "file://" + mirror.path().toStdString()}});
    dlg.findChild<QLineEdit*>(QStringLiteral("url"))->setText(QStringLiteral("file://") + mirror.path());
    dlg.findChild<QLineEdit*>(QStringLiteral("saveFolder"))->setText(mirror.path());
    for (auto [name, value] :
         {std::pair{"latMin", "10"}, {"latMax", "55"}, {"lonWest", "-75"}, {"lonEast", "-10"}, {"from", "2010-01-01"}})
        dlg.findChild<QLineEdit*>(QLatin1String(name))->setText(QLatin1String(value));
    dlg.move(0, 0);
    dlg.show();
    QTimer::singleShot(300, &dlg, [&] {
        QElapsedTimer t;
        t.start();
        dlg.findChild<QPushButton*>(QStringLiteral("search"))->click();
        std::printf("window: search of 10000 lines and its map: %.1f ms\n", t.nsecsElapsed() / 1e6);
        dlg.findChild<QTableView*>(QStringLiteral("results"))->selectRow(3);
    });
    QTimer::singleShot(static_cast<int>(args[window + 1].toDouble() * 1000), &app, &QApplication::quit);
    return app.exec();
}
