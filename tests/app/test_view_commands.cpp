// The text view's commands: jumps, Goto Line, select all, caret keys, copy, and the
// Find dialog with its search sequences.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QWheelEvent>

#include "ShellTestSupport.h"
#include "BrinewickApp.h"
#include "BrinewickView.h"
#include "CommandIds.h"
#include "DocController.h"
#include "FindDlg.h"
#include "GotoLineDlg.h"
#include "MainFrame.h"

using namespace cmd;

namespace {

// A CDL-like text of many short lines with the three section lines.
std::string SampleText(int dataLines = 200)
{
    std::string t = "netcdf sample {\r\ndimensions:\r\n\tN = 3 ;\r\nvariables:\r\n\tint PRES(N) ;\r\n";
    for (int i = 0; i < 60; ++i)
        t += "\t\tPRES:attr = \"value\" ;\r\n";
    t += "data:\r\n";
    for (int i = 0; i < dataLines; ++i)
        t += "PRES = 1, 2, 3 ;\r\n";
    t += "}\r\n";
    return t;
}

} // namespace

class TestViewCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<ShellTestEnv> env;
    std::unique_ptr<CBrinewickApp> app;

    CMainFrame* frame() { return app->MainFrame(); }
    CBrinewickView* view() { return frame()->View(); }
    std::size_t first() { return view()->GetFirstVisibleLine(); }
    std::string lineAtTop()
    {
        // The text line shown on the first visible display line.
        const std::size_t d = first();
        std::size_t line = 0;
        while (line + 1 < view()->Buffer().lineCount()) {
            // display lines equal text lines in these short-line samples
            if (line == d)
                break;
            ++line;
        }
        return std::string(view()->Buffer().lineText(line));
    }
    void selection(std::size_t& s, std::size_t& e) { view()->GetSel(s, e); }
    void runFind(const std::function<void(CFindDlg*)>& step)
    {
        DriveModal<CFindDlg>([this] { frame()->Action(ID_EDIT_FIND)->trigger(); }, step);
    }
    void findString(const QString& text)
    {
        runFind([text](CFindDlg* dlg) {
            dlg->findChild<QLineEdit*>(QStringLiteral("1000"))->setText(text);
            dlg->findChild<QPushButton*>(QStringLiteral("1"))->click();
        });
    }

private slots:
    void init()
    {
        env = std::make_unique<ShellTestEnv>();
        app = std::make_unique<CBrinewickApp>();
        QVERIFY(app->InitInstance({}));
        frame()->resize(700, 500);
        QApplication::setActiveWindow(frame());
        QVERIFY(QTest::qWaitForWindowActive(frame()));
    }
    void cleanup()
    {
        app.reset();
        env.reset();
    }

    void jumpsScrollWithoutMovingCaretOrSelection()
    {
        view()->SetText(SampleText());
        view()->SetSel(20, 25);
        frame()->Action(ID_JUMP_DATA)->trigger();
        QCOMPARE(lineAtTop(), std::string("data:"));
        frame()->Action(ID_JUMP_VARIABLES)->trigger();
        QCOMPARE(lineAtTop(), std::string("variables:"));
        frame()->Action(ID_JUMP_DIMENSIONS)->trigger();
        QCOMPARE(lineAtTop(), std::string("dimensions:"));
        frame()->Action(ID_JUMP_TAIL)->trigger();
        QCOMPARE(first() + view()->LinesPerPage(), view()->GetLineCount());
        frame()->Action(ID_JUMP_TOP)->trigger();
        QCOMPARE(first(), std::size_t(0));
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(s, std::size_t(20));
        QCOMPARE(e, std::size_t(25));
        QCOMPARE(view()->CaretPos(), std::size_t(25));
    }

    void missingMarkerUsesTheCaretLine()
    {
        std::string text;
        for (int i = 0; i < 100; ++i)
            text += "line\r\n";
        view()->SetText(text);
        view()->SetSel(6 * 10, 6 * 10); // caret on line 10
        frame()->Action(ID_JUMP_DATA)->trigger();
        QCOMPARE(first(), std::size_t(11));
    }

    void wrappedLinesCountAsDisplayLines()
    {
        std::string text(20000, 'x');
        text += "\r\ndata:\r\nend";
        view()->SetText(text);
        const std::size_t wrapped = view()->GetLineCount() - 2;
        QVERIFY(wrapped > 100);
        frame()->Action(ID_JUMP_DATA)->trigger();
        QCOMPARE(first(), view()->GetLineCount() - view()->LinesPerPage()); // as far as it scrolls
        QVERIFY(first() <= wrapped);
        QTest::keyClick(view(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(first(), std::size_t(0));
        view()->SetText(text + std::string(200, '\n'));
        frame()->Action(ID_JUMP_DATA)->trigger();
        QCOMPARE(first(), wrapped);
        // Narrowing the window wraps into more lines.
        frame()->resize(400, 500);
        QTRY_VERIFY(view()->GetLineCount() - 2 > wrapped);
    }

    void wheelScrollsWithoutMovingTheCaret()
    {
        view()->SetText(SampleText(500));
        QWheelEvent wheel(QPointF(50, 50), view()->viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view()->viewport(), &wheel);
        QVERIFY(first() > 0);
        QCOMPARE(view()->CaretPos(), std::size_t(0));
    }

    void caretKeysOnWrappedLines()
    {
        std::string words;
        for (int i = 0; i < 100; ++i)
            words += "word ";
        view()->SetText(words + "\r\nnext");
        view()->setFocus();
        QVERIFY(view()->GetLineCount() > 3);
        QTest::keyClick(view(), Qt::Key_End);
        const std::size_t end = view()->CaretPos();
        QVERIFY(end > 0 && end < words.size()); // the end of the first piece, not the line
        QTest::keyClick(view(), Qt::Key_Down);
        QVERIFY(view()->CaretPos() > end);
        QVERIFY(view()->CaretPos() < words.size());
        QTest::keyClick(view(), Qt::Key_Home);
        QCOMPARE(view()->CaretPos(), end + 1); // the next piece starts behind the blank
    }

    void allSelectAndCopy()
    {
        view()->SetText(SampleText(500));
        QVERIFY(!frame()->Action(ID_EDIT_COPY)->isEnabled());
        frame()->Action(ID_ALL_SELECT)->trigger();
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(s, std::size_t(0));
        QCOMPARE(e, view()->Buffer().size());
        QVERIFY(first() > 0); // the caret at the end was scrolled into view
        QVERIFY(frame()->Action(ID_EDIT_COPY)->isEnabled());
        QVERIFY(frame()->Action(ID_EDIT_CUT)->isEnabled());
        frame()->Action(ID_EDIT_COPY)->trigger();
        QCOMPARE(QApplication::clipboard()->text().toStdString(), view()->Buffer().bytes());
        frame()->Action(ID_EDIT_CUT)->trigger(); // changes nothing
        QCOMPARE(view()->Buffer().bytes(), SampleText(500));
    }

    void caretKeysAndInvalidBytes()
    {
        view()->SetText("a\xC3\xA9\xFF"
                        "b\r\nsecond");
        view()->setFocus();
        QTest::keyClick(view(), Qt::Key_Right);
        QCOMPARE(view()->CaretPos(), std::size_t(1));
        QTest::keyClick(view(), Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(view(), Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(view()->SelectedText(), QStringLiteral("\u00E9\u00FF")); // the bad byte as itself
        QTest::keyClick(view(), Qt::Key_Down);
        QCOMPARE(view()->Buffer().lineOfOffset(view()->CaretPos()), std::size_t(1));
        QVERIFY(!view()->HasSelection());
        QTest::keyClick(view(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view()->CaretPos(), view()->Buffer().size());
        QTest::keyClick(view(), Qt::Key_Home, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view()->SelectedText().size(), 12); // CR LF are two characters
        // A click places the caret; a double click selects a word.
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(view()->CaretPos(), std::size_t(0));
        view()->SetText("PRES = 12.5, TEMP_ADJUSTED ;");
        const int charWidth = QFontMetrics(view()->font()).horizontalAdvance(QLatin1Char('M'));
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, QPoint(2 + 16 * charWidth, 5));
        QCOMPARE(view()->SelectedText(), QStringLiteral("TEMP_ADJUSTED"));
    }

    void gotoLine()
    {
        view()->SetText(SampleText(500));
        view()->SetSel(3, 7);
        view()->LineScroll(9);
        QString shown;
        bool selected = false;
        DriveModal<CGotoLineDlg>([this] { frame()->Action(ID_GOTO_LINE)->trigger(); },
                                 [&](CGotoLineDlg* dlg) {
                                     auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("1004"));
                                     shown = edit->text();
                                     selected = edit->selectedText() == shown;
                                     edit->setText(QStringLiteral(" 42 "));
                                     dlg->findChild<QPushButton*>(QStringLiteral("1"))->click();
                                 });
        QCOMPARE(shown, QStringLiteral("10"));
        QVERIFY(selected);
        QCOMPARE(first(), std::size_t(41));
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(s, std::size_t(3));
        QCOMPARE(e, std::size_t(7));
        // Beyond the end: as far as the view scrolls.
        DriveModal<CGotoLineDlg>(
            [this] { frame()->Action(ID_GOTO_LINE)->trigger(); },
            [](CGotoLineDlg* dlg) {
                dlg->findChild<QLineEdit*>(QStringLiteral("1004"))->setText(QStringLiteral("99999"));
                dlg->accept();
            });
        QCOMPARE(first() + view()->LinesPerPage(), view()->GetLineCount());
        DriveModal<CGotoLineDlg>([this] { frame()->Action(ID_GOTO_LINE)->trigger(); },
                                 [](CGotoLineDlg* dlg) {
                                     dlg->findChild<QLineEdit*>(QStringLiteral("1004"))->setText(QStringLiteral("1"));
                                     dlg->accept();
                                 });
        QCOMPARE(first(), std::size_t(0));
    }

    void gotoLineRefusesBadNumbers()
    {
        view()->SetText(SampleText());
        const QStringList bad = {
            QStringLiteral("0"), QStringLiteral("-3"),  QStringLiteral("12abc"),      QStringLiteral("1.5"),
            QString(),           QStringLiteral("abc"), QStringLiteral("99999999999")};
        QStringList stillOpen;
        DriveModal<CGotoLineDlg>([this] { frame()->Action(ID_GOTO_LINE)->trigger(); },
                                 [&](CGotoLineDlg* dlg) {
                                     auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("1004"));
                                     for (const QString& text : bad) {
                                         edit->setText(text);
                                         dlg->accept();
                                         if (dlg->isVisible())
                                             stillOpen << text;
                                     }
                                     dlg->reject();
                                 });
        QCOMPARE(stillOpen, bad);
        QCOMPARE(env->boxes.size(), std::size_t(bad.size()));
        for (const RecordedBox& box : env->boxes) {
            QCOMPARE(box.text, QStringLiteral("Appointed line number is unjust."));
            QCOMPARE(box.caption, QStringLiteral("Input error."));
            QCOMPARE(box.icon, MbIcon::Stop);
        }
        QCOMPARE(first(), std::size_t(0));
    }

    void findOverlappingHitsAndWrap()
    {
        view()->SetText("xx aaaa yy");
        findString(QStringLiteral("aa"));
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(s, std::size_t(3));
        QCOMPARE(e, std::size_t(5));
        QVERIFY(frame()->Action(ID_FIND_NEXT)->isEnabled());
        frame()->Action(ID_FIND_NEXT)->trigger();
        selection(s, e);
        QCOMPARE(s, std::size_t(4));
        frame()->Action(ID_FIND_NEXT)->trigger();
        selection(s, e);
        QCOMPARE(s, std::size_t(5));
        frame()->Action(ID_FIND_NEXT)->trigger(); // wraps without a message
        selection(s, e);
        QCOMPARE(s, std::size_t(3));
        QVERIFY(env->boxes.empty());
        QCOMPARE(view()->m_nSearchPos, 4LL);
        // A user's selection does not move the start.
        view()->SetSel(0, 1);
        frame()->Action(ID_FIND_NEXT)->trigger();
        selection(s, e);
        QCOMPARE(s, std::size_t(4));
    }

    void findIsCaseSensitiveAndReportsMisses()
    {
        view()->SetText("PRES TEMP");
        view()->SetSel(5, 7);
        findString(QStringLiteral("pres"));
        QCOMPARE(env->boxes.size(), std::size_t(1));
        QCOMPARE(env->boxes[0].text, QStringLiteral("There is not appointed character string."));
        QCOMPARE(env->boxes[0].caption, QStringLiteral("Search error."));
        QCOMPARE(env->boxes[0].icon, MbIcon::Exclamation);
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(s, std::size_t(5));
        QCOMPARE(e, std::size_t(7));
        QCOMPARE(view()->m_nSearchPos, 0LL);
    }

    // Match case (on by default) and Whole word; a hit off the screen is shown in the
    // middle of the view.
    void findOptionsAndHitInTheMiddle()
    {
        std::string text = SampleText(400);
        text += "PRES_ADJUSTED = 1 ;\r\npres = 2 ;\r\n";
        for (int i = 0; i < 100; ++i)
            text += "}\r\n";
        view()->SetText(text);
        const std::size_t lower = text.find("pres = 2");
        findString(QStringLiteral("pres"));
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(s, lower); // the only lower-case one
        const QPointF at = view()->PointOfOffset(s);
        const int rows = view()->LinesPerPage();
        QVERIFY(at.y() >= 0);
        const int row = static_cast<int>(at.y()) / static_cast<int>(std::ceil(view()->Measure().lineHeight()));
        QVERIFY(row >= rows / 2 - 1 && row <= rows / 2 + 1);
        // Any case, whole words: "PRES(N)" in the header, never PRES_ADJUSTED.
        runFind([](CFindDlg* dlg) {
            auto* matchCase = dlg->findChild<QCheckBox*>(QStringLiteral("matchCase"));
            QVERIFY(matchCase->isChecked());
            matchCase->setChecked(false);
            dlg->findChild<QCheckBox*>(QStringLiteral("wholeWord"))->setChecked(true);
            dlg->findChild<QLineEdit*>(QStringLiteral("1000"))->setText(QStringLiteral("Pres"));
            dlg->findChild<QPushButton*>(QStringLiteral("1"))->click();
        });
        selection(s, e);
        QCOMPARE(s, text.find("PRES(N)")); // wrapped around from the previous hit
        frame()->Action(ID_FIND_NEXT)->trigger();
        selection(s, e);
        QCOMPARE(s, text.find("PRES:attr")); // ":" ends a word
        // The options stay for the next Find.
        runFind([](CFindDlg* dlg) {
            QVERIFY(!dlg->findChild<QCheckBox*>(QStringLiteral("matchCase"))->isChecked());
            QVERIFY(dlg->findChild<QCheckBox*>(QStringLiteral("wholeWord"))->isChecked());
            dlg->reject();
        });
    }

    void findStartsWithSelectionOrPreviousString()
    {
        view()->SetText("PRES TEMP PSAL");
        QString initial;
        runFind([&](CFindDlg* dlg) {
            initial = dlg->findChild<QLineEdit*>(QStringLiteral("1000"))->text();
            dlg->reject();
        });
        QCOMPARE(initial, QString());
        view()->SetSel(5, 9);
        runFind([&](CFindDlg* dlg) {
            auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("1000"));
            initial = edit->text();
            QCOMPARE(edit->selectedText(), initial);
            dlg->accept();
        });
        QCOMPARE(initial, QStringLiteral("TEMP"));
        view()->SetSel(0, 0);
        runFind([&](CFindDlg* dlg) {
            initial = dlg->findChild<QLineEdit*>(QStringLiteral("1000"))->text();
            dlg->reject();
        });
        QCOMPARE(initial, QStringLiteral("TEMP"));
    }

    void emptySearchString()
    {
        view()->SetText("abc");
        view()->m_nSearchPos = 2;
        findString(QString());
        std::size_t s = 9, e = 9;
        selection(s, e);
        QCOMPARE(s, std::size_t(2));
        QCOMPARE(e, std::size_t(2));
        QCOMPARE(view()->m_nSearchPos, 3LL);
        QVERIFY(!frame()->Action(ID_FIND_NEXT)->isEnabled());
        view()->m_nSearchPos = 10; // beyond the end: wraps to offset 0
        view()->SearchNext();
        selection(s, e);
        QCOMPARE(s, std::size_t(0));
        QVERIFY(env->boxes.empty());
    }

    void listsInsertAtTheCaret()
    {
        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("D5900446_001.nc")));
        QString afterTwo, afterUndo;
        int keywordCount = 0;
        runFind([&](CFindDlg* dlg) {
            auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("1000"));
            auto* keywords = dlg->findChild<QListWidget*>(QStringLiteral("1012"));
            auto* variables = dlg->findChild<QListWidget*>(QStringLiteral("1013"));
            auto* dimensions = dlg->findChild<QListWidget*>(QStringLiteral("1003"));
            keywordCount = keywords->count();
            QCOMPARE(keywords->item(7)->text(), QStringLiteral("units"));
            QCOMPARE(keywords->item(7)->data(Qt::UserRole).toInt(), 7);
            QCOMPARE(dimensions->item(0)->text(), QString::fromStdString(view()->m_astrDimensions[0]));
            QTRY_VERIFY(edit->hasFocus());
            edit->setText(QStringLiteral("old"));
            edit->selectAll();
            // The field loses the focus to the list, then the user picks items.
            QTest::mouseClick(keywords->viewport(), Qt::LeftButton, {},
                              keywords->visualItemRect(keywords->item(7)).center());
            const int temp =
                static_cast<int>(std::find(view()->m_astrVariables.begin(), view()->m_astrVariables.end(), "TEMP") -
                                 view()->m_astrVariables.begin());
            variables->scrollToItem(variables->item(temp));
            QTest::mouseClick(variables->viewport(), Qt::LeftButton, {},
                              variables->visualItemRect(variables->item(temp)).center());
            afterTwo = edit->text();
            edit->undo();
            afterUndo = edit->text();
            dlg->reject();
        });
        QCOMPARE(keywordCount, 13);
        QCOMPARE(afterTwo, QStringLiteral("unitsTEMP"));
        QCOMPARE(afterUndo, QStringLiteral("units"));
    }

    void arrowKeysInsertEveryNamePassed()
    {
        view()->SetText("x");
        QString text;
        runFind([&](CFindDlg* dlg) {
            auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("1000"));
            auto* keywords = dlg->findChild<QListWidget*>(QStringLiteral("1012"));
            edit->setText(QString());
            keywords->setFocus();
            QTest::keyClick(keywords, Qt::Key_Down);
            QTest::keyClick(keywords, Qt::Key_Down);
            QTest::keyClick(keywords, Qt::Key_Down);
            text = edit->text();
            dlg->reject();
        });
        // The first key press makes the first item current; each further one moves on.
        QCOMPARE(text, QStringLiteral("dimensions:variables:data:"));
    }

    void doubleClickInsertsAndSearches()
    {
        view()->SetText("abc\r\ndata:\r\nxyz");
        runFind([&](CFindDlg* dlg) {
            auto* keywords = dlg->findChild<QListWidget*>(QStringLiteral("1012"));
            const QPoint at = keywords->visualItemRect(keywords->item(2)).center();
            QTest::mouseClick(keywords->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(keywords->viewport(), Qt::LeftButton, {}, at);
        });
        QCOMPARE(view()->m_strSearch, QStringLiteral("data:"));
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(s, std::size_t(5));
        QCOMPARE(e, std::size_t(10));
    }

    void searchStateSurvivesAChangeOfFile()
    {
        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("D5900446_001.nc")));
        findString(QStringLiteral("PRES"));
        const long long pos = view()->m_nSearchPos;
        QVERIFY(pos > 0);
        QVERIFY(OpenAndWait(frame()->Controller(), DataFile("D1900857_001.nc")));
        QCOMPARE(view()->m_strSearch, QStringLiteral("PRES"));
        QCOMPARE(view()->m_nSearchPos, pos);
        QVERIFY(frame()->Action(ID_FIND_NEXT)->isEnabled());
        frame()->Action(ID_FIND_NEXT)->trigger();
        std::size_t s = 0, e = 0;
        selection(s, e);
        QCOMPARE(view()->Buffer().bytes().substr(s, e - s), std::string("PRES"));
        QVERIFY(static_cast<long long>(s) >= pos);
    }

    void dataSectionAsShown()
    {
        // Data lines lost their leading blanks: a search with a leading blank misses them.
        view()->SetText("v\r\ndata:\r\nPRES = 1 ;\r\n");
        findString(QStringLiteral(" PRES"));
        QCOMPARE(env->boxes.size(), std::size_t(1));
    }
};

QTEST_MAIN(TestViewCommands)
#include "test_view_commands.moc"
