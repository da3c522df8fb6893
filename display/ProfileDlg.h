#pragma once
#include <QString>
class QWidget;

// Profile View: shows every level variable of the file at ncPath in a table.
void RunProfileView(QWidget* parent, const QString& ncPath);
