#pragma once
// The Open and Save As dialogs ("All Files (*.*)"). Tests install a hook that answers
// instead of showing a dialog.
#include <QString>
#include <functional>

class QWidget;

// An empty string means the user cancelled.
QString AskOpenPath(QWidget* parent, const QString& startPath);
QString AskSavePath(QWidget* parent, const QString& startPath);

// While set, the two functions call the hook (with save = false for Open) instead.
using FileDialogHook = std::function<QString(bool save, const QString& startPath)>;
void SetFileDialogHook(FileDialogHook hook);
