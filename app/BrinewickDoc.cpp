#include "app/BrinewickDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "profile/profile_shape.h"
#include "cdl/render_cdl.h"
#include "text/CompactText.h"

namespace {

// Takes the text in large blocks and joins them once at the end, so that the text
// is never copied while it grows and is held once when complete.
class BlockSink : public CdlSink {
public:
    void write(std::string_view bytes) override
    {
        if (m_blocks.empty() || m_blocks.back().size() + bytes.size() > kBlock) {
            m_blocks.emplace_back();
            m_blocks.back().reserve(std::max(kBlock, bytes.size()));
        }
        m_blocks.back().append(bytes);
        m_size += bytes.size();
    }
    // The whole text; each block is released as soon as it is copied.
    std::string take()
    {
        std::string text;
        text.reserve(m_size);
        for (std::string& block : m_blocks) {
            text += block;
            std::string().swap(block);
        }
        m_blocks.clear();
        return text;
    }

private:
    static constexpr std::size_t kBlock = 8u << 20;
    std::vector<std::string> m_blocks;
    std::size_t m_size = 0;
};

} // namespace

BuiltText CBrinewickDoc::BuildText(const std::string& path, JobControl* control)
{
    BuiltText built;
    std::string text;
    try {
        BlockSink sink;
        built.outcome = render_cdl(path, sink, control);
        if (!built.outcome.ok())
            return built;
        text = sink.take();
    } catch (const std::bad_alloc&) {
        built.outcome.log += "Out of memory!\n";
        return built;
    }
    CompactDataSection(text);
    built.buffer.setText(std::move(text));
    const ProfileToolsInfo profile = ReadProfileToolsInfo(path);
    built.profileFile = profile.offered;
    built.profileExtent = profile.extent;
    built.profileReason = profile.reason;
    return built;
}

bool CBrinewickDoc::CheckPathLength(const QString& path, QString* error)
{
    const QByteArray bytes = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    if (static_cast<std::size_t>(bytes.size()) > kMaxPathBytes) {
        if (error)
            *error = tr("The path is too long to be opened (more than 1023 bytes):\n%1").arg(path);
        return false;
    }
    return true;
}

bool CBrinewickDoc::SetFilePath(const QString& path, QString* error)
{
    if (!CheckPathLength(path, error))
        return false;
    const QByteArray bytes = QFile::encodeName(QFileInfo(path).absoluteFilePath());
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

CBrinewickDoc::SaveResult CBrinewickDoc::SaveText(const QString& target, QString* message, JobControl* control) const
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
    // The text goes straight into the temporary file as it is made; the target is
    // replaced only when the rendering was clean and every byte was written.
    class SaveSink : public CdlSink {
    public:
        explicit SaveSink(QSaveFile& out) : m_out(out) {}
        void write(std::string_view bytes) override
        {
            if (ok && m_out.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
                ok = false;
        }
        bool ok = true;

    private:
        QSaveFile& m_out;
    };
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        if (message)
            *message = tr("Failed to save document.\n%1").arg(out.errorString());
        return SaveResult::WriteFailed;
    }
    SaveSink sink(out);
    const CdlOutcome outcome = render_cdl(m_szFilePath, sink, control);
    if (outcome.cancelled) {
        out.cancelWriting();
        return SaveResult::Cancelled;
    }
    if (!outcome.log.empty()) {
        out.cancelWriting();
        if (message)
            *message = QString::fromUtf8(outcome.log.data(), static_cast<qsizetype>(outcome.log.size())).trimmed();
        return SaveResult::RenderFailed;
    }
    if (!sink.ok || !out.commit()) {
        if (message)
            *message = tr("Failed to save document.\n%1").arg(out.errorString());
        return SaveResult::WriteFailed;
    }
    return SaveResult::Saved;
}
