#pragma once
#include <QString>
class QWidget;

// Graph View: reads the level records of the file at ncPath and runs the graph viewer
// (or shows the "File reading error" box when the file cannot be read at all).
void RunGraphView(QWidget* parent, const QString& ncPath);
