#pragma once
#include <QString>
class QWidget;

// Save CSV File: runs the CSV export dialog for the netCDF file at ncPath.
void RunCsvSave(QWidget* parent, const QString& ncPath);
