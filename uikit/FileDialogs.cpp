#include "uikit/FileDialogs.h"

#include <QFileDialog>

namespace {

FileDialogHook& Hook()
{
    static FileDialogHook hook;
    return hook;
}

QString Ask(QWidget* parent, bool save, const QString& startPath)
{
    if (Hook())
        return Hook()(save, startPath);
    QFileDialog dlg(parent, save ? QObject::tr("Save As") : QObject::tr("Open"), startPath);
    // The filter reads "All Files (*.*)" but matches every name, also those without a dot.
    dlg.setNameFilter(QStringLiteral("All Files (*.*) (*)"));
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

void SetFileDialogHook(FileDialogHook hook) { Hook() = std::move(hook); }

QString AskOpenPath(QWidget* parent, const QString& startPath) { return Ask(parent, false, startPath); }
QString AskSavePath(QWidget* parent, const QString& startPath) { return Ask(parent, true, startPath); }
