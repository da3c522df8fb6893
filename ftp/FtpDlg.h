#pragma once
#include <QString>
#include <optional>
class QWidget;

// FTP Transmit: runs the FTP dialog; returns the local path of the file it fetched
// when the user fetched one, nothing otherwise.
std::optional<QString> RunFtpTransmit(QWidget* parent);
