#include "app/BrinewickApp.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <algorithm>
#include <clocale>

#include "app/DocController.h"
#include "app/MainFrame.h"

CBrinewickApp::CBrinewickApp() = default;
CBrinewickApp::~CBrinewickApp() = default;

bool CBrinewickApp::InitInstance(const QStringList& args)
{
    // Numbers are written and read the same way under every locale.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Brinewick"));
    QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    const QIcon icon(QStringLiteral(":/icons/brinewick.png"));
    if (!icon.isNull())
        QApplication::setWindowIcon(icon);

    m_frame = std::make_unique<CMainFrame>();
    QString file;
    for (const QString& a : args) {
        if (a == QStringLiteral("--"))
            continue;
        file = a;
        break;
    }
    // The window shows first, so that reading a large file happens in front of it,
    // with its progress and Cancel, rather than before anything is on the screen.
    m_frame->show();
    if (file.isEmpty())
        m_frame->Controller()->NewDocument();
    else if (!m_frame->Controller()->OpenDocument(file)) {
        m_frame->hide();
        return false;
    }
    return true;
}

int RunGui(int argc, char** argv, const std::string& file)
{
    // The command line has been read (CommandTable.h): the toolkit gets the program's
    // name alone, so that a file name is never taken for one of its options.
    int appArgc = std::min(argc, 1);
    QApplication app(appArgc, argv);
    QStringList args;
    if (!file.empty())
        args << QFile::decodeName(QByteArray::fromStdString(file));
    CBrinewickApp theApp;
    if (!theApp.InitInstance(args))
        return 1;
    return QApplication::exec();
}
