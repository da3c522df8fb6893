// Under a locale with a decimal comma the window shows the same text as
// `brinewick --dump` in the "C" locale, data section compacted.
#include <QProcess>
#include <clocale>

#include "ShellTestSupport.h"
#include "BrinewickApp.h"
#include "BrinewickView.h"
#include "text/CompactText.h"
#include "MainFrame.h"
#include "support/comma_locale.h"

namespace {
bool g_commaLocale = false;
}

class TestCommaLocale : public QObject {
    Q_OBJECT
private slots:
    void textEqualsDump()
    {
        if (!g_commaLocale)
            QSKIP("no locale with a decimal comma could be made here");
        ShellTestEnv env;
        for (const char* name : {"D5900446_001.nc", "D1900857_001.nc"}) {
            QProcess dump;
            QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
            e.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
            dump.setProcessEnvironment(e);
            dump.start(QStringLiteral(BW_BINARY), {QStringLiteral("--dump"), DataFile(name)});
            QVERIFY(dump.waitForFinished(60000));
            QCOMPARE(dump.exitCode(), 0);
            const QByteArray out = dump.readAllStandardOutput();
            std::string expected(out.constData(), static_cast<std::size_t>(out.size()));
            CompactDataSection(expected);

            CBrinewickApp app;
            QVERIFY(app.InitInstance({DataFile(name)}));
            app.MainFrame()->Controller()->WaitForLoad();
            QVERIFY(env.boxes.empty());
            QVERIFY(app.MainFrame()->View()->Buffer().bytes() == expected);
            QVERIFY(expected.find("e-") != std::string::npos || expected.find('.') != std::string::npos);
        }
    }
};

int main(int argc, char** argv)
{
    // A German locale (built here when none is installed), put where QApplication looks.
    CommaLocale comma;
    comma.exportToEnvironment();
    QApplication app(argc, argv); // sets the C library's locale from the environment
    g_commaLocale = std::localeconv()->decimal_point[0] == ',';
    TestCommaLocale test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_comma_locale.moc"
