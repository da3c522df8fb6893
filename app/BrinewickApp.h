#pragma once
#include <QStringList>
#include <memory>
#include <string>

class CMainFrame;

// Starts the GUI: the application object, the main window and the message loop, with
// `file` open when it is not empty. argv[0] is the program. Returns the process exit
// status.
int RunGui(int argc, char** argv, const std::string& file);

// The application's start-up over an existing QApplication: settings, the main window
// with one document, the command line's file. The window stays owned by the object.
class CBrinewickApp {
public:
    CBrinewickApp();
    ~CBrinewickApp();

    // `args` are the words after the program name. False when a named file cannot be
    // opened (the message has been shown): the program then ends with an error.
    bool InitInstance(const QStringList& args);
    CMainFrame* MainFrame() const { return m_frame.get(); }

private:
    std::unique_ptr<CMainFrame> m_frame;
};
