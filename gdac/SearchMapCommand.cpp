#include "gdac/SearchMapCommand.h"

#include <QApplication>
#include <QPainter>

#include "gdac/MatchMapPainter.h"
#include "overview/OverviewCommand.h"
#include "overview/OverviewPainter.h"
#include "uikit/OffscreenApplication.h"

SearchMapWriter SearchMapFileWriter()
{
    return [](const SearchMap& map) {
        const auto app = OffscreenApplication();
        const Coastline& coast = SharedCoastline(QCoreApplication::applicationDirPath().toStdString());
        if (!coast.ok)
            std::fprintf(stderr, "brinewick: no land drawn: %s\n", coast.message.c_str());
        MatchScene scene;
        scene.points = &map.points;
        scene.coast = &coast;
        scene.title = QString::fromStdString(map.title);
        scene.hasBox = map.query.hasBox;
        scene.box = {map.query.latMin, map.query.latMax, map.query.lonWest, map.query.lonEast};
        return WritePlotFile(map.output,
                             [&](QPainter& p, const QRect& area) {
                                 MatchScene fitted = scene;
                                 const QRect plot = MapPlotRect(area);
                                 fitted.view = FitMatches(map.points, plot.width(), plot.height());
                                 PaintMatchMap(p, area, fitted);
                             })
                   ? 0
                   : 1;
    };
}
