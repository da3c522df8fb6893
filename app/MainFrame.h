#pragma once
// The main window: menus, toolbar, status bar and accelerator keys around the text
// view; every command is one QAction, and one function derives their enabled states.
#include <QMainWindow>
#include <QPointer>
#include <QPrinter>
#include <map>
#include <memory>

#include "uikit/BackgroundReader.h"

class CBrinewickDoc;
class CFloatOverview;
class CGraphDlg;
class CProfileDlg;
class CToolLinks;
class CBrinewickView;
class CDocController;
class CStructurePanel;
class QAction;
class QLabel;
class QPushButton;
class QMenu;
class QToolBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    CBrinewickDoc* Document() const { return m_doc; }
    CBrinewickView* View() const { return m_view; }
    CDocController* Controller() const { return m_controller; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QMenu* FileMenu() const { return m_fileMenu; }
    CStructurePanel* StructurePanel() const { return m_panel; }
    // The action of command `id` (nullptr for an unknown id).
    QAction* Action(int id) const;
    QPrinter& Printer() { return *m_printer; }

    // The enabling rules, evaluated from the view's state.
    void UpdateCommands();

    // Commands handled here (the view's own are connected directly).
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnSaveCsv();
    // The profile tools are windows beside this one, one of each at a time, linked by
    // their profile choice; a second command raises the open one.
    void OnProfileView();
    void OnGraphView();
    void OnFloatOverview();
    // Graph View on `profile` (a double-click on the overview's map or section).
    void OpenGraphOn(std::size_t profile);
    // The open tools close: the document they show is replaced.
    void CloseTools();
    // The open tool windows (null: closed).
    CGraphDlg* GraphView() const;
    CProfileDlg* ProfileView() const;
    CFloatOverview* FloatOverview() const;
    void OnFtpTransmit();
    void OnAppAbout();
    void OnViewFont();
    void OnViewTextLimit();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Prints the text on the printer as set up; a PDF file goes through a save file.
    void PrintText();
    QAction* addCommand(int id, const char* name, const QString& text);
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createStructurePanel();
    // The window's size, place, bars and panel as the user left them.
    void restoreWindowSettings();
    void saveWindowSettings();
    void updateTitle();
    void updateRecentMenu();

    CBrinewickDoc* m_doc;
    CBrinewickView* m_view;
    CDocController* m_controller;
    // The tools read through the document's reader, each reading on the worker thread.
    std::unique_ptr<BackgroundReader> m_toolReader;
    std::unique_ptr<QPrinter> m_printer;
    CToolLinks* m_links = nullptr;
    QPointer<CGraphDlg> m_graphView;
    QPointer<CProfileDlg> m_profileView;
    QPointer<CFloatOverview> m_overview;
    std::map<int, QAction*> m_actions;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    QList<QAction*> m_recentActions;
    QToolBar* m_toolBar = nullptr;
    CStructurePanel* m_panel = nullptr;
    QLabel* m_keyLabels[3] = {};
    QLabel* m_loadLabel = nullptr;       // how far the text has loaded
    QPushButton* m_loadCancel = nullptr; // stops the load; the text so far stays
};
