#pragma once
// The document: which netCDF file is open, and the reader through which the window and
// its tools read it. It holds no text and no data of the file; every reading names the
// file by its path.
#include <QObject>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "cdl/render_cdl.h"
#include "profile/profile_shape.h"
#include "text/TextBuffer.h"

class CachingReader;
class FileReader;
class IsolatedReader;

class JobControl;

// A file's text as the window shows it, with what the rendering learned on the way.
struct BuiltText {
    TextBuffer buffer;           // the shown text: the data section compacted
    CdlOutcome outcome;          // log empty: the text is complete and correct
    bool profileFile = false;    // N_PROF >= 1 and N_LEVELS > 1: the profile tools are offered
    ProfileExtent profileExtent; // N_PROF and N_LEVELS as the text was built
    std::string profileReason;   // why the profile tools are not offered
};

class CBrinewickDoc : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxPathBytes = 1023;

    // The reader is a helper process when a reader program is set (the window), else
    // the readers run in this process (tests).
    explicit CBrinewickDoc(QObject* parent = nullptr);
    ~CBrinewickDoc() override;

    // What the window and its tools read the file with: the profile shape and the
    // summaries, which every tool asks first, are kept while the file is unchanged.
    FileReader& Reader() const;
    // Ends the reader's helper process, if there is one; the next reading starts another.
    void EndReader();

    // Records `path` as the open netCDF file and sets m_bFilePresent. A path longer
    // than kMaxPathBytes is refused: nothing changes and `error` says why.
    bool SetFilePath(const QString& path, QString* error);
    // Whether `path` is short enough to be the document's file (the same test).
    static bool CheckPathLength(const QString& path, QString* error);
    // New: no file. The reader's helper ends; a later reading starts another.
    void OnNewDocument();

    QString FilePath() const;

    // Renders the file at `path` through `reader` and makes the shown text of it. Needs
    // no window and touches nothing shared, so it runs on a worker thread; `control`
    // (may be null) reports progress in bytes of text and can stop it. Through an
    // isolated reader a crash of the netCDF library on a bad file, or a helper that hits
    // its memory or time limit, is an error in the outcome's log, never a crash.
    // A variable whose text would pass `options`' limit is summarised with a note.
    static BuiltText BuildText(FileReader& reader, const std::string& path, JobControl* control = nullptr,
                               const CdlOptions& options = CdlOptions());
    // The program that documents made after this call run as their reading helper
    // (this program's executable); empty (the default) reads in this process.
    static void SetReaderProgram(const std::string& program);

    enum class SaveResult { Saved, Refused, RenderFailed, WriteFailed, Cancelled };
    // Renders the open file again and writes its CDL text, unchanged, to `target`
    // through a temporary file that replaces the target only when complete. Refuses
    // any target that holds a netCDF file. `message` gets the text to show on failure.
    // Runs on a worker thread as well; `control` (may be null) can stop it, and a
    // stopped save leaves the target as it was.
    SaveResult SaveText(const QString& target, QString* message, JobControl* control = nullptr) const;

    // Why `target` may not receive the text (it holds a netCDF file, or is the open
    // file itself); empty when it may.
    QString TargetRefusal(const QString& target) const;
    // The name Save Text File proposes: NAME.cdl in the netCDF file's folder.
    QString ProposedTextPath() const;

    // Whether the file at `path` begins like a netCDF file (classic, 64-bit offset,
    // CDF-5 or HDF5 based).
    static bool LooksLikeNetcdf(const QString& path);

    bool m_bFilePresent = false;
    std::string m_szFilePath; // UTF-8 (local file name encoding), at most kMaxPathBytes

private:
    std::unique_ptr<IsolatedReader> m_helper; // when a reader program is set
    std::unique_ptr<CachingReader> m_reader;  // over m_helper, or the readers in this process
};
