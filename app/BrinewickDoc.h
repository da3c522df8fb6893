#pragma once
// The document: which netCDF file is open. It holds no text and no data of the file;
// every use reopens the file by its path.
#include <QObject>
#include <QString>
#include <string>

class CBrinewickDoc : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxPathBytes = 1023;

    explicit CBrinewickDoc(QObject* parent = nullptr) : QObject(parent) {}

    // Records `path` as the open netCDF file and sets m_bFilePresent. A path longer
    // than kMaxPathBytes is refused: nothing changes and `error` says why.
    bool SetFilePath(const QString& path, QString* error);
    // New: no file.
    void OnNewDocument();

    QString FilePath() const;

    enum class SaveResult { Saved, Refused, RenderFailed, WriteFailed };
    // Renders the open file again and writes its CDL text, unchanged, to `target`
    // through a temporary file that replaces the target only when complete. Refuses
    // any target that holds a netCDF file. `message` gets the text to show on failure.
    SaveResult SaveText(const QString& target, QString* message) const;

    // Whether the file at `path` begins like a netCDF file (classic, 64-bit offset,
    // CDF-5 or HDF5 based).
    static bool LooksLikeNetcdf(const QString& path);

    bool m_bFilePresent = false;
    std::string m_szFilePath; // UTF-8 (local file name encoding), at most kMaxPathBytes
};
