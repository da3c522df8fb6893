#include "app/BrinewickDoc.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include "cdl/reads.h"
#include "cdl/render_cdl.h"
#include "profile/profile_shape.h"
#include "profile/reads.h"
#include "reader/caching_reader.h"
#include "reader/isolated_reader.h"
#include "reader/reader_table.h"
#include "core/replace_file.h"
#include "text/CompactText.h"

namespace {

// Compacts the text and indexes its lines as it arrives, so that little is left to do
// when the rendering ends.
class CompactingSink : public CdlSink {
public:
    void write(std::string_view bytes) override { compactor.feed(bytes); }
    StreamCompactor compactor;
};

std::string& ReaderProgramSlot()
{
    static std::string program;
    return program;
}

} // namespace

void CBrinewickDoc::SetReaderProgram(const std::string& program)
{
    ReaderProgramSlot() = program;
}

CBrinewickDoc::CBrinewickDoc(QObject* parent) : QObject(parent)
{
    if (!ReaderProgramSlot().empty()) {
        m_helper = std::make_unique<IsolatedReader>(ReaderProgramSlot(), default_render_limits());
        // The helper starts while the window is being made, so the first file opens
        // sooner; one that cannot start says why at the first reading.
        m_helper->Start();
    }
    m_reader = std::make_unique<CachingReader>(m_helper ? static_cast<FileReader&>(*m_helper) : LocalReader(),
                                               std::set<std::string>{ToolsInfoRead::kName, SummariesRead::kName});
}

CBrinewickDoc::~CBrinewickDoc() = default;

FileReader& CBrinewickDoc::Reader() const
{
    return *m_reader;
}

BuiltText CBrinewickDoc::BuildText(FileReader& reader, const std::string& path, JobControl* control,
                                   const CdlOptions& options)
{
    BuiltText built;
    ProfileToolsInfo profile;
    try {
        CompactingSink sink;
        built.outcome = Read<TextRead>(reader, {path, options}, {control, &sink});
        if (!built.outcome.ok() && !built.outcome.complete_but_for_notes())
            return built;
        profile = ReadProfileToolsInfo(reader, path);
        sink.compactor.finish();
        built.buffer.adopt(std::move(sink.compactor.text()), std::move(sink.compactor.lineStarts()));
        built.profileFile = profile.offered;
        built.profileExtent = profile.extent;
        built.profileReason = profile.reason;
    } catch (const std::bad_alloc&) {
        built.outcome.log += "Out of memory!\n";
        built.buffer.clear();
    }
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
    EndReader();
}

void CBrinewickDoc::EndReader()
{
    m_reader->Clear();
    if (m_helper)
        m_helper->Stop();
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
    return head == QByteArray("CDF\x01", 4) || head == QByteArray("CDF\x02", 4) || head == QByteArray("CDF\x05", 4) ||
           head == QByteArray("\x89HDF", 4);
}

QString CBrinewickDoc::TargetRefusal(const QString& target) const
{
    // The open file also through a symbolic or hard link (device and inode).
    if (!m_szFilePath.empty())
        if (const std::string clash = OutputClash(QFile::encodeName(target).toStdString(), {m_szFilePath});
            !clash.empty())
            return QString::fromLocal8Bit(clash.c_str());
    if (LooksLikeNetcdf(target))
        return tr("%1 is a netCDF file.\nThe text is not saved over it; choose another file name.").arg(target);
    return QString();
}

QString CBrinewickDoc::ProposedTextPath() const
{
    if (m_szFilePath.empty())
        return QString();
    const QFileInfo nc(FilePath());
    return nc.dir().filePath(nc.completeBaseName() + QStringLiteral(".cdl"));
}

CBrinewickDoc::SaveResult CBrinewickDoc::SaveText(const QString& target, QString* message, JobControl* control) const
{
    if (const QString refusal = TargetRefusal(target); !refusal.isEmpty()) {
        if (message)
            *message = refusal;
        return SaveResult::Refused;
    }
    // The text goes straight into the temporary file as it is made; the target is
    // replaced only when the rendering was clean and every byte was written.
    class SaveSink : public CdlSink {
    public:
        explicit SaveSink(ReplacingFile& out) : m_out(out) {}
        void write(std::string_view bytes) override { m_out.Write(bytes.data(), bytes.size()); }

    private:
        ReplacingFile& m_out;
    };
    ReplacingFile out;
    std::string error;
    if (!out.Open(QFile::encodeName(target).toStdString(), &error)) {
        if (message)
            *message = tr("Failed to save document.\n%1").arg(QString::fromLocal8Bit(error.c_str()));
        return SaveResult::WriteFailed;
    }
    SaveSink sink(out);
    const CdlOutcome outcome = Read<TextRead>(*m_reader, {m_szFilePath, CdlOptions()}, {control, &sink});
    if (outcome.cancelled)
        return SaveResult::Cancelled; // the temporary file goes with `out`
    if (!outcome.log.empty()) {
        if (message)
            *message = QString::fromUtf8(outcome.log.data(), static_cast<qsizetype>(outcome.log.size())).trimmed();
        return SaveResult::RenderFailed;
    }
    // A refused write is kept by the file and reported by Commit, with the system's reason.
    if (!out.Commit(&error)) {
        if (message)
            *message = tr("Failed to save document.\n%1").arg(QString::fromLocal8Bit(error.c_str()));
        return SaveResult::WriteFailed;
    }
    return SaveResult::Saved;
}
