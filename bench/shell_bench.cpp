// Measures the window on a big file: the same start-up as `brinewick FILE` (the
// application object with the file on its command line) up to the first painting of
// the text, one Find that runs through the whole text without a hit, and paging to
// the end. Prints the figures; peak memory is read from the process afterwards.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <sys/resource.h>

#include "BrinewickApp.h"
#include "BrinewickDoc.h"
#include "BrinewickView.h"
#include "DocController.h"
#include "MainFrame.h"
#include "uikit/MessageBox.h"

namespace {

// Paints the view now, as the window system would after a change.
void PaintNow(CBrinewickView* view)
{
    view->viewport()->repaint();
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_shell FILE.nc [BRINEWICK]\n", stderr);
        return 2;
    }
    // As `brinewick FILE` does, the file is read by the program in its helper mode.
    if (argc > 2)
        CBrinewickDoc::SetReaderProgram(argv[2]);
    mallopt(M_MMAP_THRESHOLD, 1 << 20); // as main() of the program sets it
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    int boxes = 0;
    SetMessageBoxHook([&](const QString&, const QString&, MbIcon) {
        ++boxes;
        return 0;
    });
    // The window's event loop must stay live while the file loads: a 10 ms timer
    // records the longest gap between its ticks (a repaint waits at most that long).
    QElapsedTimer tickClock;
    tickClock.start();
    qint64 lastTick = 0, longestGap = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = tickClock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    CBrinewickApp theApp;
    ticker.start(10);
    lastTick = tickClock.elapsed();
    if (!theApp.InitInstance({QString::fromLocal8Bit(argv[1])}))
        return 1;
    CBrinewickView* view = theApp.MainFrame()->View();
    if (!QTest::qWaitForWindowExposed(theApp.MainFrame()))
        return 1;
    // The first screen: the window painted with the first text that has come.
    while (view->IsTextEmpty() && theApp.MainFrame()->Controller()->IsLoading())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    PaintNow(view);
    const double firstScreen = clock.nsecsElapsed() / 1e9;
    theApp.MainFrame()->Controller()->WaitForLoad();
    ticker.stop();
    PaintNow(view);
    const double shown = clock.nsecsElapsed() / 1e9;
    if (boxes || view->IsTextEmpty()) {
        std::fputs("the file did not render\n", stderr);
        return 1;
    }

    // A string that occurs nowhere: the search runs through the whole text, wraps
    // once and runs through it again.
    view->m_strSearch = QStringLiteral("no such text in the file");
    view->m_nSearchPos = 1;
    clock.restart();
    view->SearchNext();
    const double find = clock.nsecsElapsed() / 1e6;

    // A hit at the very end: one pass through the whole text.
    view->m_strSearch = QStringLiteral("}\r\n");
    view->m_nSearchPos = 0;
    clock.restart();
    view->SearchNext();
    PaintNow(view);
    const double findEnd = clock.nsecsElapsed() / 1e6;

    clock.restart();
    view->OnJumpTop();
    QKeyEvent ctrlEnd(QEvent::KeyPress, Qt::Key_End, Qt::ControlModifier);
    QApplication::sendEvent(view, &ctrlEnd);
    PaintNow(view);
    const double ctrlEndMs = clock.nsecsElapsed() / 1e6;

    view->OnJumpTop();
    clock.restart();
    int pages = 0;
    while (pages < 1000) {
        QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(view, &pageDown);
        PaintNow(view);
        ++pages;
    }
    const double perPage = clock.nsecsElapsed() / 1e6 / pages;
    clock.restart();
    view->OnJumpTail();
    PaintNow(view);
    const double tail = clock.nsecsElapsed() / 1e6;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("text_bytes %zu\n", view->Buffer().size());
    std::printf("display_lines %zu\n", view->GetLineCount());
    std::printf("first_screen_s %.3f\n", firstScreen);
    std::printf("shown_s %.3f\n", shown);
    std::printf("find_miss_ms %.1f\n", find);
    std::printf("find_last_ms %.1f\n", findEnd);
    std::printf("ctrl_end_ms %.1f\n", ctrlEndMs);
    std::printf("page_down_ms %.2f\n", perPage);
    std::printf("tail_ms %.1f\n", tail);
    std::printf("peak_rss_kb %ld\n", usage.ru_maxrss);
    std::printf("longest_stall_ms %lld\n", static_cast<long long>(longestGap));
    std::printf("messages %d\n", boxes);
    return 0;
}
