#include "app/BrinewickDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "cdl/render_cdl.h"

bool CBrinewickDoc::SetFilePath(const QString& path, QString* error)
{
    const QByteArray bytes = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (static_cast<std::size_t>(bytes.size()) > kMaxPathBytes) {
        if (error)
            *error = tr("The path is too long to be opened (more than 1023 bytes):\n%1").arg(path);
        return false;
    }
    m_szFilePath = bytes.toStdString();
    m_bFilePresent = true;
    return true;
}

void CBrinewickDoc::OnNewDocument()
{
    m_bFilePresent = false;
}

QString CBrinewickDoc::FilePath() const
{
    return QFile::decodeName(QByteArray::fromStdString(m_szFilePath));
}

bool CBrinewickDoc::LooksLikeNetcdf(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(4);
    return head == QByteArray("CDF\x01", 4) || head == QByteArray("CDF\x02", 4)
        || head == QByteArray("CDF\x05", 4) || head == QByteArray("\x89HDF", 4);
}

CBrinewickDoc::SaveResult CBrinewickDoc::SaveText(const QString& target, QString* message) const
{
    const QFileInfo info(target);
    const bool sameFile = !m_szFilePath.empty() && info.exists()
        && info.canonicalFilePath() == QFileInfo(FilePath()).canonicalFilePath();
    if (sameFile || LooksLikeNetcdf(target)) {
        if (message)
            *message = tr("%1 is a netCDF file.\nThe text is not saved over it; choose another file name.")
                           .arg(target);
        return SaveResult::Refused;
    }
    std::string text = render_cdl(m_szFilePath);
    const std::string log = cdl_error_log();
    if (!log.empty()) {
        if (message)
            *message = QString::fromUtf8(log.data(), static_cast<qsizetype>(log.size())).trimmed();
        return SaveResult::RenderFailed;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)
        || out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())
        || !out.commit()) {
        if (message)
            *message = tr("Failed to save document.\n%1").arg(out.errorString());
        return SaveResult::WriteFailed;
    }
    return SaveResult::Saved;
}
