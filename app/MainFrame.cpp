#include "app/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include <algorithm>

#include "app/AboutDlg.h"
#include "app/BrinewickDoc.h"
#include "app/BrinewickView.h"
#include "app/CommandIds.h"
#include "app/DisabledTipFilter.h"
#include "app/DocController.h"
#include "uikit/FileDialogs.h"
#include "app/KeyIndicators.h"
#include "app/PdfSaveFile.h"
#include "uikit/MessageBox.h"
#include "uikit/NumberText.h"
#include "app/PrintPreviewDlg.h"
#include "app/StructurePanel.h"
#include "app/ToolLinks.h"
#include "uikit/AppSettings.h"
#include "app/TextPrinter.h"
#include "uikit/WaitCursor.h"
#include "display/GraphDlg.h"
#include "display/ProfileDlg.h"
#include "ftp/FtpDlg.h"
#include "gdac/GdacDlg.h"
#include "overview/FloatOverview.h"
#include "profile/CsvSaveDlg.h"

using namespace cmd;

namespace {

// The menu text without its mnemonic and shortcut: "Find...(&F)\tCtrl+F" gives "Find...".
QString ToolTipOf(QString text)
{
    text = text.section(QLatin1Char('\t'), 0, 0);
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
    text.remove(QLatin1Char('&'));
    return text;
}

} // namespace

CMainFrame::CMainFrame()
    : m_doc(new CBrinewickDoc(this)), m_view(new CBrinewickView(m_doc, this)),
      m_controller(new CDocController(m_doc, m_view, this)),
      m_toolReader(std::make_unique<BackgroundReader>(m_doc->Reader(), this)),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)), m_links(new CToolLinks(this))
{
    setObjectName(QStringLiteral("CMainFrame"));
    setCentralWidget(m_view);
    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createStructurePanel();
    connect(m_view, &CBrinewickView::stateChanged, this, &CMainFrame::UpdateCommands);
    connect(m_controller, &CDocController::documentReplaced, this, &CMainFrame::CloseTools);
    connect(m_controller, &CDocController::documentChanged, this, [this] {
        updateTitle();
        updateRecentMenu();
    });
    updateTitle();
    updateRecentMenu();
    UpdateCommands();
    // Room for the structure panel beside 80 columns of text.
    resize(1040, 720);
    restoreWindowSettings();
    m_view->setFocus();
}

CMainFrame::~CMainFrame()
{
    // The document (and its reader) goes before the controller: no reading may outlive it.
    m_controller->DropLoad();
}

QAction* CMainFrame::Action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QAction* CMainFrame::addCommand(int id, const char* name, const QString& text)
{
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setData(id);
    action->setToolTip(ToolTipOf(text));
    addAction(action); // keys work whether or not the action stands in a menu
    m_actions[id] = action;
    return action;
}

void CMainFrame::createActions()
{
    auto bind = [this](int id, auto handler) { connect(Action(id), &QAction::triggered, this, handler); };
    addCommand(ID_FILE_NEW, "ID_FILE_NEW", tr("&New\tCtrl+N"))->setShortcut(QKeySequence(tr("Ctrl+N")));
    addCommand(ID_FILE_OPEN, "ID_FILE_OPEN", tr("&Open...\tCtrl+O"))->setShortcut(QKeySequence(tr("Ctrl+O")));
    addCommand(ID_FTP_TRANSMIT, "ID_FTP_TRANSMIT", tr("FTP Transmit..."));
    addCommand(ID_ARGO_DATA, "ID_ARGO_DATA", tr("Argo Data..."));
    addCommand(ID_FILE_SAVE_AS, "ID_FILE_SAVE_AS", tr("Save Text File..."));
    addCommand(ID_FILE_SAVE, "ID_FILE_SAVE", tr("&Save\tCtrl+S"))->setShortcut(QKeySequence(tr("Ctrl+S")));
    addCommand(ID_SAVE_CSV, "ID_SAVE_CSV", tr("Save CSV File..."));
    addCommand(ID_FILE_PRINT, "ID_FILE_PRINT", tr("&Print...\tCtrl+P"))->setShortcut(QKeySequence(tr("Ctrl+P")));
    addCommand(ID_FILE_PRINT_PREVIEW, "ID_FILE_PRINT_PREVIEW", tr("Print Pre&view"));
    addCommand(ID_FILE_PRINT_SETUP, "ID_FILE_PRINT_SETUP", tr("P&rint Setup..."));
    addCommand(ID_FILE_PRINT_DIRECT, "ID_FILE_PRINT_DIRECT", tr("Print"));
    addCommand(ID_APP_EXIT, "ID_APP_EXIT", tr("E&xit"));
    addCommand(ID_EDIT_CUT, "ID_EDIT_CUT", tr("Cu&t\tCtrl+X"))
        ->setShortcuts({QKeySequence(tr("Ctrl+X")), QKeySequence(tr("Shift+Del"))});
    addCommand(ID_EDIT_COPY, "ID_EDIT_COPY", tr("&Copy\tCtrl+C"))
        ->setShortcuts({QKeySequence(tr("Ctrl+C")), QKeySequence(tr("Ctrl+Ins"))});
    addCommand(ID_EDIT_UNDO, "ID_EDIT_UNDO", tr("&Undo\tCtrl+Z"))
        ->setShortcuts({QKeySequence(tr("Ctrl+Z")), QKeySequence(tr("Alt+Backspace"))});
    addCommand(ID_EDIT_PASTE, "ID_EDIT_PASTE", tr("&Paste\tCtrl+V"))
        ->setShortcuts({QKeySequence(tr("Ctrl+V")), QKeySequence(tr("Shift+Ins"))});
    addCommand(ID_NEXT_PANE, "ID_NEXT_PANE", tr("Next Pane"))->setShortcut(QKeySequence(Qt::Key_F6));
    addCommand(ID_PREV_PANE, "ID_PREV_PANE", tr("Previous Pane"))->setShortcut(QKeySequence(tr("Shift+F6")));
    addCommand(ID_ALL_SELECT, "ID_ALL_SELECT", tr("All Select(&A)\tCtrl+A"))->setShortcut(QKeySequence(tr("Ctrl+A")));
    addCommand(ID_EDIT_FIND, "ID_EDIT_FIND", tr("Find...(&F)\tCtrl+F"))->setShortcut(QKeySequence(tr("Ctrl+F")));
    addCommand(ID_FIND_NEXT, "ID_FIND_NEXT", tr("Find Next\tF3"))->setShortcut(QKeySequence(Qt::Key_F3));
    addCommand(ID_JUMP_TOP, "ID_JUMP_TOP", tr("Top(&T)\tCtrl+T"))->setShortcut(QKeySequence(tr("Ctrl+T")));
    addCommand(ID_JUMP_DIMENSIONS, "ID_JUMP_DIMENSIONS", tr("dimensions"));
    addCommand(ID_JUMP_VARIABLES, "ID_JUMP_VARIABLES", tr("variables"));
    addCommand(ID_JUMP_DATA, "ID_JUMP_DATA", tr("data"));
    addCommand(ID_JUMP_TAIL, "ID_JUMP_TAIL", tr("Tail(&B)\tCtrl+B"))->setShortcut(QKeySequence(tr("Ctrl+B")));
    addCommand(ID_GOTO_LINE, "ID_GOTO_LINE", tr("Goto Line..."));
    addCommand(ID_PROFILE_VIEW, "ID_PROFILE_VIEW", tr("Profile View..."));
    addCommand(ID_GRAPH_VIEW, "ID_GRAPH_VIEW", tr("Graph View..."));
    addCommand(ID_FLOAT_OVERVIEW, "ID_FLOAT_OVERVIEW", tr("Float &Overview..."));
    addCommand(ID_JUMP_GLOBALS, "ID_JUMP_GLOBALS", tr("&Global Attributes"));
    addCommand(ID_VIEW_FONT, "ID_VIEW_FONT", tr("&Font..."));
    addCommand(ID_VIEW_TEXT_LIMIT, "ID_VIEW_TEXT_LIMIT", tr("Text &Limit per Variable..."));
    addCommand(ID_VIEW_TOOLBAR, "ID_VIEW_TOOLBAR", tr("&Toolbar"))->setCheckable(true);
    addCommand(ID_VIEW_STATUS_BAR, "ID_VIEW_STATUS_BAR", tr("&Status Bar"))->setCheckable(true);
    addCommand(ID_APP_ABOUT, "ID_APP_ABOUT", tr("&About Brinewick..."));
    Action(ID_EDIT_COPY)->setToolTip(tr("Copy"));
    // The standard prompts of the framework's own commands, shown in the status bar while
    // a menu item or button is under the mouse (the program's own commands have none).
    const std::pair<int, const char*> prompts[] = {
        {ID_FILE_NEW, QT_TR_NOOP("Create a new document")},
        {ID_FILE_OPEN, QT_TR_NOOP("Open an existing document")},
        {ID_FILE_SAVE_AS, QT_TR_NOOP("Save the active document with a new name")},
        {ID_FILE_PRINT, QT_TR_NOOP("Print the active document")},
        {ID_FILE_PRINT_PREVIEW, QT_TR_NOOP("Display full pages")},
        {ID_FILE_PRINT_SETUP, QT_TR_NOOP("Change the printer and printing options")},
        {ID_APP_EXIT, QT_TR_NOOP("Quit the application")},
        {ID_EDIT_CUT, QT_TR_NOOP("Cut the selection and put it on the Clipboard")},
        {ID_EDIT_COPY, QT_TR_NOOP("Copy the selection and put it on the Clipboard")},
        {ID_EDIT_FIND, QT_TR_NOOP("Find the specified text")},
        {ID_VIEW_TOOLBAR, QT_TR_NOOP("Show or hide the toolbar")},
        {ID_VIEW_STATUS_BAR, QT_TR_NOOP("Show or hide the status bar")},
        {ID_APP_ABOUT, QT_TR_NOOP("Display program information, version number and copyright")},
    };
    for (const auto& [id, prompt] : prompts)
        Action(id)->setStatusTip(tr(prompt));

    CDocController* doc = m_controller;
    CBrinewickView* view = m_view;
    connect(Action(ID_FILE_NEW), &QAction::triggered, doc, &CDocController::NewDocument);
    connect(Action(ID_FILE_OPEN), &QAction::triggered, doc, &CDocController::FileOpen);
    connect(Action(ID_FILE_SAVE_AS), &QAction::triggered, doc, &CDocController::SaveTextFile);
    connect(Action(ID_FILE_SAVE), &QAction::triggered, doc, &CDocController::Save);
    connect(Action(ID_APP_EXIT), &QAction::triggered, this, &QWidget::close);
    connect(Action(ID_EDIT_CUT), &QAction::triggered, view, &CBrinewickView::OnEditCut);
    connect(Action(ID_EDIT_COPY), &QAction::triggered, view, &CBrinewickView::OnEditCopy);
    connect(Action(ID_ALL_SELECT), &QAction::triggered, view, &CBrinewickView::OnAllSelect);
    connect(Action(ID_EDIT_FIND), &QAction::triggered, view, &CBrinewickView::OnFind);
    connect(Action(ID_FIND_NEXT), &QAction::triggered, view, &CBrinewickView::OnFindNext);
    connect(Action(ID_JUMP_TOP), &QAction::triggered, view, &CBrinewickView::OnJumpTop);
    connect(Action(ID_JUMP_DIMENSIONS), &QAction::triggered, view, &CBrinewickView::OnJumpDimensions);
    connect(Action(ID_JUMP_VARIABLES), &QAction::triggered, view, &CBrinewickView::OnJumpVariables);
    connect(Action(ID_JUMP_DATA), &QAction::triggered, view, &CBrinewickView::OnJumpData);
    connect(Action(ID_JUMP_TAIL), &QAction::triggered, view, &CBrinewickView::OnJumpTail);
    connect(Action(ID_JUMP_GLOBALS), &QAction::triggered, view, &CBrinewickView::OnJumpGlobalAttributes);
    connect(Action(ID_GOTO_LINE), &QAction::triggered, view, &CBrinewickView::OnGotoLine);
    bind(ID_FILE_PRINT, &CMainFrame::OnFilePrint);
    bind(ID_FILE_PRINT_DIRECT, &CMainFrame::OnFilePrintDirect);
    bind(ID_FILE_PRINT_PREVIEW, &CMainFrame::OnFilePrintPreview);
    bind(ID_FILE_PRINT_SETUP, &CMainFrame::OnFilePrintSetup);
    bind(ID_SAVE_CSV, &CMainFrame::OnSaveCsv);
    bind(ID_PROFILE_VIEW, &CMainFrame::OnProfileView);
    bind(ID_GRAPH_VIEW, &CMainFrame::OnGraphView);
    bind(ID_FLOAT_OVERVIEW, &CMainFrame::OnFloatOverview);
    bind(ID_FTP_TRANSMIT, &CMainFrame::OnFtpTransmit);
    // A file fetched in the Argo Data window is shown as FTP Transmit's file is; a
    // float's file with its Float Overview.
    connect(Action(ID_ARGO_DATA), &QAction::triggered, this, [this] {
        ShowArgoData(this, [this](const QString& path, bool overview) {
            m_controller->ShowFetchedFile(path);
            if (overview && QFileInfo(m_doc->FilePath()) == QFileInfo(path)) // not over an earlier file
                Action(ID_FLOAT_OVERVIEW)->trigger();
        });
    });
    bind(ID_APP_ABOUT, &CMainFrame::OnAppAbout);
    bind(ID_VIEW_FONT, &CMainFrame::OnViewFont);
    bind(ID_VIEW_TEXT_LIMIT, &CMainFrame::OnViewTextLimit);
}

void CMainFrame::createMenus()
{
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_fileMenu->addAction(Action(ID_FILE_OPEN));
    m_fileMenu->addAction(Action(ID_FTP_TRANSMIT));
    m_fileMenu->addAction(Action(ID_ARGO_DATA));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(ID_FILE_SAVE_AS));
    m_fileMenu->addAction(Action(ID_SAVE_CSV));
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(ID_FILE_PRINT));
    m_fileMenu->addAction(Action(ID_FILE_PRINT_PREVIEW));
    m_fileMenu->addAction(Action(ID_FILE_PRINT_SETUP));
    m_fileMenu->addSeparator();
    m_recentPlaceholder = m_fileMenu->addAction(tr("Recent File"));
    m_recentPlaceholder->setObjectName(QStringLiteral("ID_FILE_MRU_FILE1"));
    m_recentPlaceholder->setEnabled(false);
    m_fileMenu->addSeparator();
    m_fileMenu->addAction(Action(ID_APP_EXIT));

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(Action(ID_EDIT_CUT));
    edit->addSeparator();
    edit->addAction(Action(ID_ALL_SELECT));
    edit->addSeparator();
    edit->addAction(Action(ID_EDIT_FIND));
    edit->addAction(Action(ID_FIND_NEXT));
    edit->addSeparator();
    QMenu* jump = edit->addMenu(tr("Jump"));
    for (int id : {ID_JUMP_TOP, ID_JUMP_DIMENSIONS, ID_JUMP_VARIABLES, ID_JUMP_DATA, ID_JUMP_TAIL})
        jump->addAction(Action(id));
    edit->addAction(Action(ID_GOTO_LINE));

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(Action(ID_PROFILE_VIEW));
    view->addAction(Action(ID_GRAPH_VIEW));
    view->addAction(Action(ID_FLOAT_OVERVIEW));
    view->addSeparator();
    view->addAction(Action(ID_JUMP_GLOBALS));
    view->addAction(Action(ID_VIEW_FONT));
    view->addAction(Action(ID_VIEW_TEXT_LIMIT));
    m_viewMenu = view;
    view->addSeparator();
    view->addAction(Action(ID_VIEW_TOOLBAR));
    view->addAction(Action(ID_VIEW_STATUS_BAR));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(Action(ID_APP_ABOUT));

    // The profile tools say in the status bar why they are off.
    auto* tips = new CDisabledTipFilter(statusBar(), this);
    m_fileMenu->installEventFilter(tips);
    view->installEventFilter(tips);
}

void CMainFrame::createToolBar()
{
    m_toolBar = new QToolBar(tr("Standard"), this);
    m_toolBar->setObjectName(QStringLiteral("AFX_IDW_TOOLBAR"));
    m_toolBar->setIconSize(QSize(16, 15));
    m_toolBar->setFloatable(true);
    m_toolBar->setMovable(true);
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    struct Button {
        int id;
        const char* icon;
        QStyle::StandardPixmap fallback;
    };
    const Button buttons[] = {
        {ID_FILE_OPEN, "open", QStyle::SP_DialogOpenButton},
        {0, nullptr, {}},
        {ID_EDIT_COPY, "copy", QStyle::SP_FileIcon},
        {ID_FILE_PRINT, "print", QStyle::SP_FileIcon},
        {0, nullptr, {}},
        {ID_EDIT_FIND, "find", QStyle::SP_FileDialogContentsView},
        {ID_FIND_NEXT, "findnext", QStyle::SP_ArrowRight},
        {0, nullptr, {}},
        {ID_JUMP_TOP, "top", QStyle::SP_ArrowUp},
        {0, nullptr, {}},
        {ID_JUMP_DIMENSIONS, "dimensions", QStyle::SP_FileIcon},
        {ID_JUMP_VARIABLES, "variables", QStyle::SP_FileIcon},
        {ID_JUMP_DATA, "data", QStyle::SP_FileIcon},
        {ID_JUMP_TAIL, "tail", QStyle::SP_ArrowDown},
        {0, nullptr, {}},
        {ID_GOTO_LINE, "gotoline", QStyle::SP_ArrowForward},
        {0, nullptr, {}},
        {ID_FLOAT_OVERVIEW, "overview", QStyle::SP_FileDialogDetailedView},
        {0, nullptr, {}},
        {ID_APP_ABOUT, "about", QStyle::SP_MessageBoxQuestion},
    };
    for (const Button& b : buttons) {
        if (!b.id) {
            m_toolBar->addSeparator();
            continue;
        }
        const QString image = QStringLiteral(":/toolbar/") + QLatin1String(b.icon) + QStringLiteral(".png");
        const QIcon icon = QFile::exists(image) ? QIcon(image) : style()->standardIcon(b.fallback);
        Action(b.id)->setIcon(icon);
        m_toolBar->addAction(Action(b.id));
    }
    QAction* toggle = Action(ID_VIEW_TOOLBAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, m_toolBar, &QWidget::setVisible);
    connect(m_toolBar, &QToolBar::visibilityChanged, toggle,
            [toggle, this] { toggle->setChecked(!m_toolBar->isHidden()); });
}

void CMainFrame::createStatusBar()
{
    auto* ready = new QLabel(tr("Ready"), statusBar());
    ready->setObjectName(QStringLiteral("messagePane"));
    statusBar()->addWidget(ready, 1);
    // A text that loads says how far it has come, with Cancel, without blocking the window.
    m_loadLabel = new QLabel(statusBar());
    m_loadLabel->setObjectName(QStringLiteral("loadPane"));
    m_loadCancel = new QPushButton(tr("Cancel"), statusBar());
    m_loadCancel->setObjectName(QStringLiteral("loadCancel"));
    statusBar()->addPermanentWidget(m_loadLabel);
    statusBar()->addPermanentWidget(m_loadCancel);
    m_loadLabel->hide();
    m_loadCancel->hide();
    const char* keys[] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        m_keyLabels[i] = new QLabel(QLatin1String(keys[i]), statusBar());
        m_keyLabels[i]->setObjectName(QLatin1String(keys[i]));
        m_keyLabels[i]->setFrameShape(QFrame::Panel);
        m_keyLabels[i]->setFrameShadow(QFrame::Sunken);
        m_keyLabels[i]->setAlignment(Qt::AlignCenter);
        statusBar()->addPermanentWidget(m_keyLabels[i]);
    }
    new CKeyIndicators(m_keyLabels[0], m_keyLabels[1], m_keyLabels[2], this);
    connect(m_loadCancel, &QPushButton::clicked, m_controller, &CDocController::CancelLoad);
    connect(m_controller, &CDocController::loadStateChanged, this, [this] {
        const bool loading = m_controller->IsLoading();
        m_loadLabel->setText(m_controller->LoadStatus());
        m_loadLabel->setVisible(loading);
        m_loadCancel->setVisible(loading);
        m_loadCancel->setEnabled(loading);
    });
    QAction* toggle = Action(ID_VIEW_STATUS_BAR);
    toggle->setChecked(true);
    connect(toggle, &QAction::toggled, statusBar(), &QWidget::setVisible);
}

void CMainFrame::createStructurePanel()
{
    m_panel = new CStructurePanel(m_view, this);
    addDockWidget(Qt::LeftDockWidgetArea, m_panel);
    QAction* toggle = m_panel->toggleViewAction();
    toggle->setObjectName(QStringLiteral("ID_VIEW_STRUCTURE"));
    toggle->setText(tr("Structure &Panel"));
    toggle->setData(ID_VIEW_STRUCTURE);
    m_actions[ID_VIEW_STRUCTURE] = toggle;
    m_viewMenu->insertAction(Action(ID_VIEW_TOOLBAR), toggle);
    resizeDocks({m_panel}, {260}, Qt::Horizontal);
}

void CMainFrame::restoreWindowSettings()
{
    const QByteArray geometry = AppKey::kWindowGeometry.Read();
    if (!geometry.isEmpty())
        restoreGeometry(geometry);
    const QByteArray state = AppKey::kWindowState.Read();
    if (!state.isEmpty())
        restoreState(state);
    m_panel->setVisible(AppKey::kStructurePanel.Read());
    const bool statusShown = AppKey::kStatusBar.Read();
    Action(ID_VIEW_STATUS_BAR)->setChecked(statusShown);
    statusBar()->setVisible(statusShown);
    Action(ID_VIEW_TOOLBAR)->setChecked(!m_toolBar->isHidden());
}

void CMainFrame::saveWindowSettings()
{
    AppKey::kWindowGeometry.Write(saveGeometry());
    AppKey::kWindowState.Write(saveState());
    AppKey::kStructurePanel.Write(!m_panel->isHidden());
    AppKey::kStatusBar.Write(!statusBar()->isHidden());
}

void CMainFrame::UpdateCommands()
{
    const bool text = !m_view->IsTextEmpty();
    // The tools read the file, not the text: they are offered while its text still loads.
    const bool file = text || m_doc->m_bFilePresent;
    const bool profile = file && m_view->m_bProfileFile;
    const bool selection = m_view->HasSelection();
    for (int id : {ID_ALL_SELECT, ID_EDIT_FIND, ID_JUMP_TOP, ID_JUMP_DIMENSIONS, ID_JUMP_VARIABLES, ID_JUMP_DATA,
                   ID_JUMP_TAIL, ID_JUMP_GLOBALS, ID_GOTO_LINE, ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW})
        Action(id)->setEnabled(text);
    // The text is saved from the file, so a file whose text is still loading can be.
    for (int id : {ID_FILE_SAVE_AS, ID_FILE_SAVE})
        Action(id)->setEnabled(file);
    Action(ID_FIND_NEXT)->setEnabled(text && !m_view->m_strSearch.isEmpty());
    // Pointing at a disabled profile tool tells why it is off.
    const QString why = !file || profile ? QString() : m_view->m_strProfileReason;
    for (int id : {ID_SAVE_CSV, ID_PROFILE_VIEW, ID_GRAPH_VIEW}) {
        Action(id)->setEnabled(profile);
        Action(id)->setStatusTip(why);
    }
    // The Float Overview: several profiles, each with a date and a position.
    const auto& vars = m_view->m_astrVariables;
    const auto has = [&vars](const char* name) { return std::find(vars.begin(), vars.end(), name) != vars.end(); };
    // A trajectory file (positions along N_MEASUREMENT) offers its track.
    const auto& dims = m_view->m_astrDimensions;
    const bool trajectory = std::find(dims.begin(), dims.end(), "N_MEASUREMENT") != dims.end();
    Action(ID_FLOAT_OVERVIEW)
        ->setEnabled(file && (m_view->m_profileExtent.profiles > 1 || trajectory) && has("LATITUDE") &&
                     has("LONGITUDE") && has("JULD"));
    Action(ID_EDIT_COPY)->setEnabled(selection);
    Action(ID_EDIT_CUT)->setEnabled(selection);
    // A read-only view with one pane: nothing to paste, undo or switch to.
    for (int id : {ID_EDIT_UNDO, ID_EDIT_PASTE, ID_NEXT_PANE, ID_PREV_PANE})
        Action(id)->setEnabled(false);
}

void CMainFrame::updateTitle()
{
    setWindowTitle(m_controller->Title());
}

void CMainFrame::updateRecentMenu()
{
    qDeleteAll(m_recentActions);
    m_recentActions.clear();
    const QStringList& entries = m_controller->Recent().Entries();
    m_recentPlaceholder->setVisible(entries.isEmpty());
    for (int i = 0; i < entries.size(); ++i) {
        QString label = entries[i];
        label.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&") + IntegerText(i + 1) + QLatin1Char(' ') + label, this);
        action->setObjectName(QStringLiteral("ID_FILE_MRU_FILE") + IntegerText(i + 1));
        const QString path = entries[i];
        connect(action, &QAction::triggered, this, [this, path] {
            if (!m_controller->OpenDocument(path) && !QFileInfo::exists(path)) {
                m_controller->Recent().Remove(path);
                updateRecentMenu();
            }
        });
        m_fileMenu->insertAction(m_recentPlaceholder, action);
        m_recentActions << action;
    }
}

void CMainFrame::OnFilePrint()
{
    QPrintDialog dlg(m_printer.get(), this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    PrintText();
}

void CMainFrame::OnFilePrintDirect()
{
    if (QPrinterInfo::defaultPrinter().isNull()) {
        // No printer: write a PDF file of the user's choosing instead.
        const QString target = AskSavePath(this, QString());
        if (target.isEmpty())
            return;
        if (const QString refusal = m_doc->TargetRefusal(target); !refusal.isEmpty()) {
            BwMessageBox(this, refusal, tr("Brinewick"), MbIcon::Stop);
            return;
        }
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(target);
    }
    PrintText();
}

void CMainFrame::PrintText()
{
    CWaitCursor wait;
    const TextPrinter printer(m_view->Buffer(), *m_printer);
    const QString pdf = m_printer->outputFormat() == QPrinter::PdfFormat ? m_printer->outputFileName() : QString();
    if (pdf.isEmpty()) {
        if (!printer.Print(*m_printer))
            BwMessageBox(this, tr("Failed to print."), tr("Brinewick"), MbIcon::Stop);
        return;
    }
    // A PDF file goes through a save file: never over the open file, never half written.
    std::string error;
    if (const QString refusal = m_doc->TargetRefusal(pdf); !refusal.isEmpty())
        error = refusal.toLocal8Bit().toStdString();
    else if (PrintPdfThroughSaveFile(
                 *m_printer, QFile::encodeName(pdf).toStdString(), [&] { return printer.Print(*m_printer); }, &error)) {
        m_printer->setOutputFileName(pdf); // the dialog offers the same file next time
        return;
    }
    m_printer->setOutputFileName(pdf);
    BwMessageBox(this, tr("Failed to print.\n%1").arg(QString::fromLocal8Bit(error.c_str())), tr("Brinewick"),
                 MbIcon::Stop);
}

void CMainFrame::OnFilePrintPreview()
{
    CPrintPreviewDlg dlg(m_view->Buffer(), *m_printer, this);
    connect(&dlg, &CPrintPreviewDlg::printRequested, this, &CMainFrame::OnFilePrint, Qt::QueuedConnection);
    dlg.exec();
}

void CMainFrame::OnFilePrintSetup()
{
    QPageSetupDialog dlg(m_printer.get(), this);
    dlg.exec();
}

void CMainFrame::OnSaveCsv()
{
    RunCsvSave(this, *m_toolReader, m_doc->FilePath(), &m_view->m_profileExtent);
}
namespace {

// Brings an open tool window to the front.
void Raise(QWidget* window)
{
    window->showNormal();
    window->raise();
    window->activateWindow();
}

} // namespace

void CMainFrame::OnProfileView()
{
    if (m_profileView) {
        Raise(m_profileView);
        return;
    }
    m_profileView = RunProfileView(this, *m_toolReader, m_doc->FilePath(), &m_view->m_profileExtent);
    if (m_profileView)
        m_links->Add(m_profileView->Chooser());
}

void CMainFrame::OnGraphView()
{
    if (m_graphView) {
        Raise(m_graphView);
        return;
    }
    m_graphView = RunGraphView(this, *m_toolReader, m_doc->FilePath(), &m_view->m_profileExtent);
    if (m_graphView)
        m_links->Add(m_graphView->Chooser());
}

void CMainFrame::OnFloatOverview()
{
    if (m_overview) {
        Raise(m_overview);
        return;
    }
    m_overview = RunFloatOverview(this, *m_toolReader, m_doc->FilePath(), &m_view->m_profileExtent);
    if (!m_overview)
        return;
    m_links->Add(m_overview->Chooser());
    connect(m_overview, &CFloatOverview::profileOpened, this, &CMainFrame::OpenGraphOn);
}

CGraphDlg* CMainFrame::GraphView() const
{
    return m_graphView;
}

CProfileDlg* CMainFrame::ProfileView() const
{
    return m_profileView;
}

CFloatOverview* CMainFrame::FloatOverview() const
{
    return m_overview;
}

void CMainFrame::OpenGraphOn(std::size_t profile)
{
    if (!Action(ID_GRAPH_VIEW)->isEnabled())
        return; // a trajectory: no graph to show
    m_links->Choose({profile});
    OnGraphView();
}

void CMainFrame::CloseTools()
{
    for (QWidget* tool :
         {static_cast<QWidget*>(m_graphView), static_cast<QWidget*>(m_profileView), static_cast<QWidget*>(m_overview)})
        if (tool)
            tool->close();
    m_links->Clear();
}

void CMainFrame::OnFtpTransmit()
{
    if (const std::optional<QString> fetched = RunFtpTransmit(this))
        m_controller->ShowFetchedFile(*fetched);
}

void CMainFrame::OnViewFont()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, m_view->font(), this, tr("Font"));
    if (!ok)
        return;
    m_view->setFont(font);
    AppKey::kViewFont.Write(font.toString());
}

void CMainFrame::OnViewTextLimit()
{
    // A variable whose text would pass the limit is summarised, so a huge or lying file
    // cannot take all the memory; the limit holds for the files opened after it is set.
    bool ok = false;
    const int mb =
        QInputDialog::getInt(this, tr("Text Limit per Variable"),
                             tr("Most text one variable may make, in MB\n(for the files opened from now on):"),
                             AppKey::kVariableTextLimitMB.Read(), 1, 1 << 20, 64, &ok);
    if (ok)
        AppKey::kVariableTextLimitMB.Write(mb);
}

void CMainFrame::OnAppAbout()
{
    CAboutDlg dlg(this);
    dlg.exec();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    m_controller->Recent().Save();
    saveWindowSettings();
    event->accept();
}
