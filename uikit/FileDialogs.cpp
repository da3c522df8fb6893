#include "uikit/FileDialogs.h"

#include <QFileDialog>

#include "uikit/MessageBox.h"

namespace {

FileDialogHook& Hook()
{
    static FileDialogHook hook;
    return hook;
}

// A file dialog that keeps itself open when the chosen save target is refused.
class CheckedFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;
    SaveTargetCheck check;

protected:
    void accept() override
    {
        const QStringList files = selectedFiles();
        if (check && !files.isEmpty()) {
            const QString refusal = check(files.constFirst());
            if (!refusal.isEmpty()) {
                BwMessageBox(this, refusal, tr("Brinewick"), MbIcon::Stop);
                return;
            }
        }
        QFileDialog::accept();
    }
};

QString Ask(QWidget* parent, bool save, const QString& startPath, const SaveTargetCheck& check)
{
    if (Hook()) {
        const QString answer = Hook()(save, startPath);
        if (save && check && !answer.isEmpty()) {
            // The dialog would show the refusal and stay open; the hook has no second answer.
            const QString refusal = check(answer);
            if (!refusal.isEmpty()) {
                BwMessageBox(parent, refusal, QObject::tr("Brinewick"), MbIcon::Stop);
                return QString();
            }
        }
        return answer;
    }
    CheckedFileDialog dlg(parent, save ? QObject::tr("Save As") : QObject::tr("Open"), startPath);
    dlg.check = check;
    // Each filter's last parentheses hold its patterns and are not shown, so the shown
    // texts keep theirs: "All Files (*.*)" matches every name, also those without a dot.
    QStringList filters;
    if (!save)
        filters << QObject::tr("netCDF files (*.nc *.cdf *.nc4 *.h5)") + QStringLiteral(" (*.nc *.cdf *.nc4 *.h5)");
    filters << QStringLiteral("All Files (*.*) (*)");
    dlg.setNameFilters(filters);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!startPath.isEmpty())
        dlg.selectFile(startPath);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return QString();
    return dlg.selectedFiles().constFirst();
}

} // namespace

void SetFileDialogHook(FileDialogHook hook)
{
    Hook() = std::move(hook);
}

QString AskOpenPath(QWidget* parent, const QString& startPath)
{
    return Ask(parent, false, startPath, {});
}
QString AskSavePath(QWidget* parent, const QString& startPath, const SaveTargetCheck& check)
{
    return Ask(parent, true, startPath, check);
}
