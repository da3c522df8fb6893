#pragma once
// The single-document controller: opens files into the one document, makes a new one,
// saves the text, and keeps the document's path name (title) and the recent-file list.
#include <QObject>
#include <QString>
#include <memory>

#include "app/RecentFileList.h"

class CBrinewickDoc;
class JobControl;
class CBrinewickView;
class TextLoad;
class QWidget;

class CDocController : public QObject {
    Q_OBJECT
public:
    CDocController(CBrinewickDoc* doc, CBrinewickView* view, QWidget* window);
    ~CDocController() override;

    // Opens `path` into the document and shows its text as it loads, header first.
    // False when the file cannot be found or read (the message has been shown). A file
    // the netCDF library cannot open changes nothing the user sees (title, path,
    // recent list, text and tools stay those of the file shown) and shows the
    // "File reading error" box naming the file. Once it opens, the file is the
    // document's: its structure and tools come at once and its text streams in while
    // the window stays live; a load in progress is cancelled first.
    bool OpenDocument(const QString& path);
    // Whether a text is still loading, what the status bar says of it, and Cancel:
    // the text shown so far stays, with a last line saying where and why it stops.
    bool IsLoading() const;
    QString LoadStatus() const;
    void CancelLoad();
    // Runs the event loop until the text in progress has loaded (tests, print).
    void WaitForLoad();
    // Stops the load in progress and waits for its reading to end, then forgets it (a
    // new document, or a window that closes while the reader is still in use).
    void DropLoad();
    void NewDocument();
    // Save Text File: asks for a name, then SaveTextTo.
    bool SaveTextFile();
    // Ctrl+S: the document's path name, or Save Text File when there is none.
    bool Save();
    bool SaveTextTo(const QString& target);
    // A file fetched by FTP Transmit becomes the document's file; one that cannot be
    // shown changes nothing but stays on disk, and the message says where.
    void ShowFetchedFile(const QString& path);

    void FileOpen(); // asks for a path, then OpenDocument

    QString PathName() const { return m_pathName; }
    QString Title() const;
    RecentFileList& Recent() { return m_recent; }

signals:
    void documentChanged();  // title or recent-file list changed
    void loadStateChanged(); // a load started, made progress or ended
    void documentReplaced(); // another file (or none) is the document's: its tools go

private:
    void SetPathName(const QString& path);
    // Opens `path` in the reader (on the worker), makes it the document's file and
    // starts streaming its text. `fetched`: the file came from FTP Transmit or the Argo
    // Data window (a message then says it is kept).
    void LoadAndShow(const QString& path, bool fetched = false);
    // The load's text that has come so far goes into the view.
    void TakeLoadedText();
    // The reading has ended: the rest of its text, then FinishLoad.
    void EndLoad();
    // All the text is shown: what the user must know of how the load ended.
    void FinishLoad();

    CBrinewickDoc* m_doc;   // not owned
    CBrinewickView* m_view; // not owned
    QWidget* m_window;      // not owned
    QString m_pathName;
    RecentFileList m_recent;
    std::unique_ptr<TextLoad> m_load; // the text loading or last loaded
    QString m_loadPath;               // its file
    bool m_loadFetched = false;       // it came from FTP Transmit or the Argo Data window
    unsigned m_opens = 0;             // opens begun: a newer one overtakes an older
    bool m_loadDone = true;           // all its text is shown and its end said
    bool m_takeQueued = false;        // more text waits and a take is queued
};
