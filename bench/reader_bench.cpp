// Times readings through the window's reader and prints them beside the way the window
// read before (a new helper process for every reading): a small reading (the profile
// shape), Graph View opened on a float's file of 51 profiles, and the Float Overview
// opened on a BGC float's file of 162 profiles. Printed, not asserted.
//
//   bench_reader BRINEWICK DATA_DIR
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/child_process.h"
#include "chooser/ProfileChooser.h"
#include "display/GraphDlg.h"
#include "overview/FloatOverview.h"
#include "profile/reads.h"
#include "reader/caching_reader.h"
#include "reader/isolated_reader.h"

namespace {

// The way of reading before the document kept its reader: a helper for each reading.
class HelperPerReading : public FileReader {
public:
    explicit HelperPerReading(const std::string& program) : m_helper(program, default_render_limits()) {}
    ReadAnswer Call(const std::string& reader, const std::string& args, const ReadContext& context) override
    {
        ReadAnswer answer = m_helper.Call(reader, args, context);
        m_helper.Stop();
        return answer;
    }

private:
    IsolatedReader m_helper;
};

double Median(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms.empty() ? 0 : ms[ms.size() / 2];
}

// The median time of `runs` runs of `what`, in milliseconds.
double Time(int runs, const std::function<void()>& what)
{
    std::vector<double> ms;
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        timer.restart();
        what();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return Median(ms);
}

// Opens Graph View and closes it once it has painted: the time to a shown graph.
void OpenGraphView(FileReader& reader, const QString& path)
{
    CGraphDlg* window = RunGraphView(nullptr, reader, path);
    if (window) {
        QApplication::processEvents();
        delete window;
    }
}

// Graph View on a BGC file with 20 profiles overlaid and their DOXY curves drawn.
void OpenBgcOverlay(FileReader& reader, const QString& path)
{
    CGraphDlg* window = RunGraphView(nullptr, reader, path);
    if (!window)
        return;
    std::vector<std::size_t> twenty;
    for (std::size_t p = 0; p < 20; ++p)
        twenty.push_back(p);
    window->Chooser()->Choose(twenty);
    window->ChooseParameter("DOXY", true);
    QApplication::processEvents();
    delete window;
}

void OpenOverview(FileReader& reader, const QString& path)
{
    CFloatOverview* window = RunFloatOverview(nullptr, reader, path, nullptr);
    if (window) {
        QApplication::processEvents();
        delete window;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_reader BRINEWICK DATA_DIR\n");
        return 2;
    }
    const std::string program = argv[1], data = argv[2];
    const std::string small = data + "/D5900446_001.nc";
    const QString graphFile = QString::fromStdString(data + "/2902696_prof.nc");
    const QString overviewFile = QString::fromStdString(data + "/3902131_Sprof.nc");

    IsolatedReader kept(program, default_render_limits());
    CachingReader document(kept, {ToolsInfoRead::kName, SummariesRead::kName});
    HelperPerReading before(program);
    kept.Start();

    const double smallNow = Time(50, [&] { ReadProfileToolsInfo(kept, small); });
    const double smallBefore = Time(10, [&] { ReadProfileToolsInfo(before, small); });
    std::printf("small reading (profile shape)        %8.1f ms   before %8.1f ms   target <= 10 ms\n", smallNow,
                smallBefore);

    const double graphNow = Time(10, [&] { OpenGraphView(document, graphFile); });
    const double graphBefore = Time(3, [&] { OpenGraphView(before, graphFile); });
    std::printf("Graph View open, 51 profiles          %8.1f ms   before %8.1f ms   target <= 150 ms\n", graphNow,
                graphBefore);

    const double overlayNow = Time(5, [&] { OpenBgcOverlay(document, overviewFile); });
    std::printf("Graph View, 20 BGC profiles and DOXY   %8.1f ms\n", overlayNow);

    const double overviewNow = Time(5, [&] { OpenOverview(document, overviewFile); });
    const double overviewBefore = Time(3, [&] { OpenOverview(before, overviewFile); });
    std::printf("Float Overview open, 162 BGC profiles %8.1f ms   before %8.1f ms   target <= 300 ms\n", overviewNow,
                overviewBefore);
    std::printf("helpers started by the document's reader: %d\n", kept.Starts());
    return 0;
}
