#pragma once
// The Open and Save As dialogs. Open offers "netCDF files (*.nc *.cdf *.nc4 *.h5)" first
// and all files second; Save As all files. Tests install a hook that answers instead of
// showing a dialog.
#include <QString>
#include <functional>

class QWidget;

// Why a chosen save target is refused (empty: accepted).
using SaveTargetCheck = std::function<QString(const QString& target)>;

// An empty string means the user cancelled.
QString AskOpenPath(QWidget* parent, const QString& startPath);
// A target that `check` refuses shows the reason and keeps the dialog open.
QString AskSavePath(QWidget* parent, const QString& startPath, const SaveTargetCheck& check = {});

// While set, the two functions call the hook (with save = false for Open) instead.
using FileDialogHook = std::function<QString(bool save, const QString& startPath)>;
void SetFileDialogHook(FileDialogHook hook);
