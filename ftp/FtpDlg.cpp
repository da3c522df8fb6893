#include "ftp/FtpDlg.h"

std::optional<QString> RunFtpTransmit(QWidget*) { return std::nullopt; }
