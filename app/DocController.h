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
class QWidget;

class CDocController : public QObject {
    Q_OBJECT
public:
    CDocController(CBrinewickDoc* doc, CBrinewickView* view, QWidget* window);

    // Opens `path` into the document and shows its text. False when the file cannot
    // be opened at all (the message has been shown). The text is built on a worker
    // while the window stays live. A file that opens but does not render, or a load
    // the user cancels, changes nothing the user sees (title, path, recent list and
    // text stay those of the file shown); a failed rendering shows the
    // "File reading error" box naming the file.
    bool OpenDocument(const QString& path);
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
    void documentChanged(); // title or recent-file list changed

private:
    void SetPathName(const QString& path);
    // Builds the text of `path` on a worker, then makes it the document's file.
    // `fetched`: the file came from FTP Transmit (the message then says it is kept).
    void LoadAndShow(const QString& path, bool fetched = false);

    CBrinewickDoc* m_doc;   // not owned
    CBrinewickView* m_view; // not owned
    QWidget* m_window;      // not owned
    QString m_pathName;
    RecentFileList m_recent;
    std::shared_ptr<JobControl> m_loading; // the load in progress, if any
};
