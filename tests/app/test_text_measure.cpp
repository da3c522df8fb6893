// The text view paints, wraps, hit-tests and selects by one measure: checked against
// the glyphs as they appear on screen, for a fixed-pitch and a proportional font and
// for text that is not ASCII.
#include <QFont>
#include <QImage>
#include <QScrollBar>
#include <cmath>

#include "ShellTestSupport.h"
#include "BrinewickApp.h"
#include "BrinewickView.h"
#include "MainFrame.h"

namespace {

// A run of inked pixel columns on one display row: one painted word.
struct Ink {
    int row;
    int x0; // first inked column
    int x1; // last inked column
};

bool Inked(QRgb px)
{
    return qGray(px) < 150;
}

// The words as painted: inked columns grouped where the gap between them is narrower
// than `gap` pixels, row by row.
std::vector<Ink> PaintedWords(const QImage& image, int lineHeight, int gap)
{
    std::vector<Ink> words;
    for (int row = 0; (row + 1) * lineHeight <= image.height(); ++row) {
        int start = -1, last = -1;
        for (int x = 0; x < image.width(); ++x) {
            bool ink = false;
            // Accents and descenders may reach into the rows around: only the middle half
            // of a row counts.
            for (int y = row * lineHeight + lineHeight / 4; y < row * lineHeight + lineHeight * 3 / 4 && !ink; ++y)
                ink = Inked(image.pixel(x, y));
            if (!ink)
                continue;
            if (start >= 0 && x - last > gap) {
                words.push_back({row, start, last});
                start = -1;
            }
            if (start < 0)
                start = x;
            last = x;
        }
        if (start >= 0)
            words.push_back({row, start, last});
    }
    return words;
}

} // namespace

class TestTextMeasure : public QObject {
    Q_OBJECT

    std::unique_ptr<ShellTestEnv> env;
    std::unique_ptr<CBrinewickApp> app;
    CBrinewickView* view() { return app->MainFrame()->View(); }

private slots:
    void init()
    {
        env = std::make_unique<ShellTestEnv>();
        app = std::make_unique<CBrinewickApp>();
        QVERIFY(app->InitInstance({}));
        app->MainFrame()->resize(800, 600);
        QApplication::setActiveWindow(app->MainFrame());
        QVERIFY(QTest::qWaitForWindowActive(app->MainFrame()));
    }
    void cleanup()
    {
        app.reset();
        env.reset();
    }

    void paintedGlyphsMatchWrapHitTestAndSelection_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("ascii");
        QTest::newRow("fixed pitch") << QStringLiteral("DejaVu Sans Mono") << true;
        QTest::newRow("proportional") << QStringLiteral("DejaVu Sans") << true;
        QTest::newRow("fixed pitch, not ASCII") << QStringLiteral("DejaVu Sans Mono") << false;
        QTest::newRow("proportional, not ASCII") << QStringLiteral("DejaVu Sans") << false;
    }
    void paintedGlyphsMatchWrapHitTestAndSelection()
    {
        QFETCH(QString, family);
        QFETCH(bool, ascii);
        QFont font(family);
        font.setPixelSize(15);
        view()->setFont(font);
        const QStringList pool = ascii ? QStringList{QStringLiteral("J123456789K"), QStringLiteral("9.448"),
                                                     QStringLiteral("-1.5e+003"),   QStringLiteral("PRES_ADJUSTED"),
                                                     QStringLiteral("specified"),   QStringLiteral("Julian"),
                                                     QStringLiteral("WWMMWW"),      QStringLiteral("iiljt1")}
                                       : QStringList{QStringLiteral("\u00E9t\u00E9"),
                                                     QStringLiteral("\u03A9\u03BC\u03AD\u03B3\u03B1"),
                                                     QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442"),
                                                     QStringLiteral("na\u00EFve"),
                                                     QStringLiteral("\u00C6\u00D8\u00C5"),
                                                     QStringLiteral("\u0161\u010D\u0159")};
        // Words four blanks apart, in one text line long enough to wrap several times.
        QStringList words;
        for (int i = 0; i < 70; ++i)
            words << pool[i % pool.size()];
        const QString line = words.join(QStringLiteral("    "));
        view()->SetText(line.toUtf8().toStdString() + "\r\nend");
        view()->clearFocus(); // no caret among the glyphs
        QVERIFY(view()->GetLineCount() > 3);

        const int lineHeight = static_cast<int>(std::ceil(view()->Measure().lineHeight()));
        const double space = view()->Measure().asciiAdvance(' ');
        const int gap = static_cast<int>(space * 3);
        QImage image = view()->viewport()->grab().toImage();
        QCOMPARE(image.width(), view()->viewport()->width()); // the scroll bar is not in it
        std::vector<Ink> painted = PaintedWords(image, lineHeight, gap);

        // Every word painted, all of each inside the viewport; "end" is the last.
        QCOMPARE(static_cast<int>(painted.size()), words.size() + 1);
        for (const Ink& w : painted)
            QVERIFY2(w.x1 < image.width() - 1, qPrintable(QStringLiteral("ink at %1").arg(w.x1)));
        // The wrap is tight: a row's first word would not have fitted on the row before.
        for (std::size_t k = 1; k + 1 < painted.size(); ++k)
            if (painted[k].row != painted[k - 1].row)
                QVERIFY(painted[k - 1].x1 + 4 * space + (painted[k].x1 - painted[k].x0) > image.width() - 8);

        // A double click on each painted word selects exactly that word.
        for (int k = 0; k < words.size(); ++k) {
            const Ink& w = painted[static_cast<std::size_t>(k)];
            const QPoint at((w.x0 + w.x1) / 2, w.row * lineHeight + lineHeight / 2);
            QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, at);
            QCOMPARE(view()->SelectedText(), words[k]);
        }

        // Dragging from just before one painted word to just behind another selects the
        // bytes from the first's start to the second's end.
        const std::size_t from = 3, to = static_cast<std::size_t>(words.size()) - 5;
        const Ink& a = painted[from];
        const Ink& b = painted[to];
        QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, QPoint(a.x0 - 1, a.row * lineHeight + 2));
        QTest::mouseMove(view()->viewport(), QPoint(b.x1 + 1, b.row * lineHeight + 2));
        QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, QPoint(b.x1 + 1, b.row * lineHeight + 2));
        QCOMPARE(view()->SelectedText(),
                 words.mid(static_cast<int>(from), static_cast<int>(to - from + 1)).join(QStringLiteral("    ")));
        // The highlight covers the selected words' glyphs and none of the others.
        view()->clearFocus();
        image = view()->viewport()->grab().toImage();

        const QRgb highlight = view()->palette().color(QPalette::Highlight).rgb();
        auto litColumn = [&](int x, int row) {
            for (int y = row * lineHeight; y < (row + 1) * lineHeight; ++y)
                if (image.pixel(x, y) == highlight)
                    return true;
            return false;
        };
        auto lit = [&](const Ink& w) { return litColumn(w.x0, w.row) && litColumn(w.x1, w.row); };
        for (std::size_t k = 0; k < static_cast<std::size_t>(words.size()); ++k)
            QCOMPARE(lit(painted[k]), k >= from && k <= to);
    }

    // Moving the caret right steps over whole characters, and every step lands where
    // the measure paints the boundary: increasing, inside the viewport.
    void caretStepsFollowPaintedBoundaries()
    {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(15);
        view()->setFont(font);
        const std::string text = "a\xC3\xA9\xCE\xA9\xFFW\tx";
        view()->SetText(text);
        view()->setFocus();
        double last = -1;
        for (std::size_t off : {0u, 1u, 3u, 5u, 6u, 7u, 8u, 9u}) {
            QCOMPARE(view()->CaretPos(), off);
            const QPointF p = view()->PointOfOffset(off);
            QVERIFY(p.x() > last);
            last = p.x();
            QCOMPARE(view()->OffsetAt(QPoint(static_cast<int>(std::floor(p.x())), 3)), off);
            QTest::keyClick(view(), Qt::Key_Right);
        }
    }
};

QTEST_MAIN(TestTextMeasure)
#include "test_text_measure.moc"
