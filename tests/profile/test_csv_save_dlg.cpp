// The Csv File Save dialog: its controls, the OK rule, writing, errors and "Brose...".
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <netcdf.h>

#include "core/child_process.h"
#include "reader/isolated_reader.h"
#include "reader/reader_table.h"
#include "uikit/MessageBox.h"
#include "profile/CsvSaveDlg.h"
#include "profile/csv_writer.h"

namespace {

struct BoxCall {
    QString text, caption;
    MbIcon icon;
};

// A single-profile file: PRES and TEMP along N_LEVELS = 3, an int scalar, a short
// level variable and a char variable not along N_LEVELS.
bool MakeProfile(const QString& path)
{
    int ncid = -1, dProf = -1, dLev = -1, dStr = -1;
    if (nc_create(QFile::encodeName(path).constData(), NC_CLOBBER, &ncid) != NC_NOERR)
        return false;
    nc_def_dim(ncid, "N_PROF", 1, &dProf);
    nc_def_dim(ncid, "STRING4", 4, &dStr);
    nc_def_dim(ncid, "N_LEVELS", 3, &dLev);
    int ids[5];
    int profLev[2] = {dProf, dLev};
    int profStr[2] = {dProf, dStr};
    nc_def_var(ncid, "PLATFORM", NC_CHAR, 2, profStr, &ids[0]);
    nc_def_var(ncid, "PRES", NC_FLOAT, 2, profLev, &ids[1]);
    nc_def_var(ncid, "CYCLE", NC_INT, 1, &dProf, &ids[2]);
    nc_def_var(ncid, "COUNT", NC_SHORT, 2, profLev, &ids[3]);
    nc_def_var(ncid, "TEMP", NC_FLOAT, 2, profLev, &ids[4]);
    nc_enddef(ncid);
    const float pres[3] = {5, 10, 20};
    const float temp[3] = {24.5f, 24.25f, 23.9f};
    const int cycle = 3;
    nc_put_var_text(ncid, ids[0], "59 \0");
    nc_put_var_float(ncid, ids[1], pres);
    nc_put_var_int(ncid, ids[2], &cycle);
    nc_put_var_float(ncid, ids[4], temp);
    return nc_close(ncid) == NC_NOERR;
}

QString ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("<unreadable>");
    return QString::fromLatin1(f.readAll());
}

void Select(QListWidget* list, const QString& name)
{
    const auto found = list->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    // A user's click toggles the item.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
}

} // namespace

class TestCsvSaveDlg : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_nc;
    QList<BoxCall> m_boxes;
    QStringList m_opened;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_nc = m_dir.filePath(QStringLiteral("profile.nc"));
        QVERIFY(MakeProfile(m_nc));
    }

    void init()
    {
        m_boxes.clear();
        m_opened.clear();
        SetMessageBoxHook([this](const QString& text, const QString& caption, MbIcon icon) {
            m_boxes.append({text, caption, icon});
            return int(QMessageBox::Ok);
        });
        CCsvSaveDlg::SetOpenFileHook([this](const QString& path) { m_opened.append(path); });
        CCsvSaveDlg::SetBrowseHook({});
    }

    void cleanup()
    {
        SetMessageBoxHook({});
        CCsvSaveDlg::SetOpenFileHook({});
        CCsvSaveDlg::SetBrowseHook({});
    }

    void controlsAndLists()
    {
        CCsvSaveDlg dlg;
        dlg.m_szPath = m_nc;
        dlg.openFileBox()->setChecked(false);
        QVERIFY(dlg.OnInitDialog());
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Csv File Save"));
        QCOMPARE(dlg.browseButton()->text(), QStringLiteral("Brose..."));
        QCOMPARE(dlg.okButton()->text(), QStringLiteral("OK"));
        QVERIFY(dlg.findChild<QPushButton*>(QStringLiteral("2")) != nullptr);
        QCOMPARE(dlg.findChild<QPushButton*>(QStringLiteral("2"))->text(), QStringLiteral("close"));
        QCOMPARE(dlg.openFileBox()->text(), QStringLiteral("open file"));
        QVERIFY(dlg.openFileBox()->isChecked()); // checked on every opening
        QVERIFY(dlg.okButton()->isEnabled());    // the OK rule has not run yet
        QStringList labels;
        for (auto* l : dlg.findChildren<QLabel*>())
            labels << l->text();
        QVERIFY(labels.contains(QStringLiteral("File:")));
        QVERIFY(labels.contains(QStringLiteral("Item:")));
        QVERIFY(labels.contains(QStringLiteral("N_LEVELS:")));

        const QStringList items = {"PLATFORM", "PRES", "CYCLE", "COUNT", "TEMP"};
        QCOMPARE(dlg.itemList()->count(), items.size());
        for (int i = 0; i < items.size(); ++i) {
            QCOMPARE(dlg.itemList()->item(i)->text(), items[i]);
            QCOMPARE(dlg.itemList()->item(i)->data(Qt::UserRole).toInt(), i);
        }
        QCOMPARE(dlg.levelList()->count(), 3);
        QCOMPARE(dlg.levelList()->item(0)->text(), QStringLiteral("PRES"));
        QCOMPARE(dlg.levelList()->item(0)->data(Qt::UserRole).toInt(), 1);
        QCOMPARE(dlg.levelList()->item(1)->text(), QStringLiteral("COUNT"));
        QCOMPARE(dlg.levelList()->item(2)->data(Qt::UserRole).toInt(), 4);
        QCOMPARE(dlg.itemList()->selectionMode(), QAbstractItemView::MultiSelection);
    }

    void okRule()
    {
        CCsvSaveDlg dlg;
        dlg.m_szPath = m_nc;
        QVERIFY(dlg.OnInitDialog());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        Select(dlg.itemList(), QStringLiteral("PRES"));
        QVERIFY(!dlg.okButton()->isEnabled()); // no file name yet
        QTest::keyClicks(dlg.fileEdit(), QStringLiteral("a.csv"));
        QVERIFY(dlg.okButton()->isEnabled());
        dlg.fileEdit()->clear();
        QVERIFY(!dlg.okButton()->isEnabled());
        QTest::keyClicks(dlg.fileEdit(), QStringLiteral("b"));
        QVERIFY(dlg.okButton()->isEnabled());
        Select(dlg.itemList(), QStringLiteral("PRES")); // toggled off
        QVERIFY(!dlg.okButton()->isEnabled());
        Select(dlg.levelList(), QStringLiteral("TEMP"));
        QVERIFY(dlg.okButton()->isEnabled());
    }

    // The same bytes whether the file is read here or by the program's helper process;
    // a helper that the library takes down is a "File reading error" and the dialog stays.
    void writesTheChosenVariables()
    {
        for (const bool isolated : {false, true}) {
            IsolatedReader helper(BW_BINARY, default_render_limits());
            m_boxes.clear();
            m_opened.clear();
            const QString out = m_dir.filePath(QStringLiteral("out.csv"));
            QFile::remove(out);
            CCsvSaveDlg dlg;
            if (isolated)
                dlg.SetReader(helper);
            dlg.m_szPath = m_nc;
            QVERIFY(dlg.OnInitDialog());
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            Select(dlg.itemList(), QStringLiteral("PRES"));
            Select(dlg.itemList(), QStringLiteral("PLATFORM"));
            Select(dlg.itemList(), QStringLiteral("COUNT"));
            Select(dlg.levelList(), QStringLiteral("TEMP"));
            Select(dlg.levelList(), QStringLiteral("COUNT"));
            Select(dlg.levelList(), QStringLiteral("PRES"));
            QTest::keyClicks(dlg.fileEdit(), out);
            if (isolated) {
                // A helper started now raises the signal as its reading starts.
                qputenv("BRINEWICK_TEST_CHILD_SIGNAL", "11");
                IsolatedReader crashing(BW_BINARY, default_render_limits());
                dlg.SetReader(crashing);
                QTest::keyClick(dlg.fileEdit(), Qt::Key_Return);
                dlg.SetReader(helper);
                qunsetenv("BRINEWICK_TEST_CHILD_SIGNAL");
                QCOMPARE(m_boxes.size(), 1);
                QCOMPARE(m_boxes[0].caption, QStringLiteral("File reading error"));
                QVERIFY2(m_boxes[0].text.contains(QStringLiteral("the netCDF library stopped on this file: signal 11")),
                         qPrintable(m_boxes[0].text));
                QVERIFY(dlg.isVisible());
                QVERIFY(!QFile::exists(out));
                m_boxes.clear();
            }
            QTest::keyClick(dlg.fileEdit(), Qt::Key_Return);
            QCOMPARE(dlg.result(), int(QDialog::Accepted));
            QVERIFY(m_boxes.isEmpty());
            QCOMPARE(ReadAll(out), QStringLiteral("PLATFORM,59 \r\n"
                                                  "PRES,5.000000,10.000000,20.000000\r\n"
                                                  "COUNT,\r\n"
                                                  "PRES,COUNT,TEMP\r\n"
                                                  "5.000000,,24.500000\r\n"
                                                  "10.000000,,24.250000\r\n"
                                                  "20.000000,,23.900000\r\n"));
            QCOMPARE(m_opened, QStringList{out});
        }
    }

    void openFileUncheckedAndRelativePath()
    {
        const QString saved = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        CCsvSaveDlg dlg;
        dlg.m_szPath = m_nc;
        QVERIFY(dlg.OnInitDialog());
        dlg.itemList()->item(2)->setSelected(true);
        dlg.fileEdit()->setText(QStringLiteral("rel.csv"));
        dlg.openFileBox()->setChecked(false);
        dlg.accept();
        QDir::setCurrent(saved);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(ReadAll(m_dir.filePath(QStringLiteral("rel.csv"))), QStringLiteral("CYCLE,3\r\n\r\n\r\n\r\n\r\n"));
    }

    void unwritableTargetKeepsTheDialogOpen_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("empty field") << QString();
        QTest::newRow("missing folder") << m_dir.filePath(QStringLiteral("no/such/x.csv"));
        QTest::newRow("a folder") << m_dir.path();
        // A writable folder whose path alone runs past 1023 bytes.
        QString longDir = m_dir.path();
        while (longDir.size() < 1030)
            longDir += QLatin1Char('/') + QString(100, QLatin1Char('d'));
        QDir().mkpath(longDir);
        QTest::newRow("over 1023 bytes") << longDir + QStringLiteral("/x.csv");
    }

    void unwritableTargetKeepsTheDialogOpen()
    {
        QFETCH(QString, target);
        CCsvSaveDlg dlg;
        dlg.m_szPath = m_nc;
        QVERIFY(dlg.OnInitDialog());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.levelList()->item(0)->setSelected(true);
        dlg.fileEdit()->setText(target);
        if (target.isEmpty())
            dlg.okButton()->setEnabled(true); // as when the dialog has just opened
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, QStringLiteral("File can not open."));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("File open error"));
        QCOMPARE(m_boxes[0].icon, MbIcon::Stop);
        QVERIFY(dlg.isVisible());
        QVERIFY(m_opened.isEmpty());
        // The selection and the field are kept for another try.
        QCOMPARE(dlg.fileEdit()->text(), target);
        QVERIFY(dlg.levelList()->item(0)->isSelected());
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("no"))));
        if (!target.isEmpty())
            QVERIFY(!QFileInfo(target).isFile());
    }

    void browse()
    {
        CCsvSaveDlg dlg;
        dlg.m_szPath = m_nc;
        QVERIFY(dlg.OnInitDialog());
        dlg.fileEdit()->setText(QStringLiteral("kept.csv"));
        const QString saved = QDir::currentPath();
        QStringList shownFilters;
        CCsvSaveDlg::SetBrowseHook([&](QFileDialog& fd) {
            [&] {
                QCOMPARE(fd.defaultSuffix(), QStringLiteral("csv"));
                QCOMPARE(fd.acceptMode(), QFileDialog::AcceptSave);
                QVERIFY(!fd.testOption(QFileDialog::DontConfirmOverwrite));
                QCOMPARE(fd.nameFilters().size(), 2);
            }();
            if (auto* combo = fd.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                for (int i = 0; i < combo->count(); ++i)
                    shownFilters << combo->itemText(i);
            QDir::setCurrent(QDir::tempPath()); // the dialog may move about
            return QString();                   // cancelled
        });
        dlg.browseButton()->click();
        QCOMPARE(dlg.fileEdit()->text(), QStringLiteral("kept.csv"));
        QCOMPARE(QDir::currentPath(), saved);
        QCOMPARE(shownFilters, (QStringList{QStringLiteral("CSV File(*.csv)"), QStringLiteral("全てのファイル(*.*)")}));

        const QString chosen = m_dir.filePath(QStringLiteral("chosen.csv"));
        CCsvSaveDlg::SetBrowseHook([&](QFileDialog&) { return chosen; });
        dlg.itemList()->item(1)->setSelected(true);
        dlg.okButton()->setEnabled(false);
        dlg.browseButton()->click();
        QCOMPARE(dlg.fileEdit()->text(), chosen);
        QVERIFY(dlg.okButton()->isEnabled()); // the field's change ran the OK rule
    }

    void unreadableNetcdfFile()
    {
        RunCsvSave(nullptr, LocalReader(), m_dir.filePath(QStringLiteral("absent.nc")));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].caption, QStringLiteral("File reading error"));
        QCOMPARE(m_boxes[0].icon, MbIcon::Stop);
    }
};

QTEST_MAIN(TestCsvSaveDlg)
#include "test_csv_save_dlg.moc"
