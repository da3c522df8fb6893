#include "app/PdfSaveFile.h"

#include <QPrinter>
#include <QString>

#include <cerrno>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "core/replace_file.h"

bool PrintPdfThroughSaveFile(QPrinter& printer, const std::string& target, const std::function<bool()>& print,
                             std::string* error)
{
    ReplacingFile file;
    if (!file.Open(target, error))
        return false;
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        if (error)
            *error = target + ": " + std::strerror(errno);
        return false;
    }
    // Drains the pipe to its end even after a refused write, so the printer never blocks;
    // the file keeps the first refusal for Commit.
    std::thread pump([&file, in = fds[0]] {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EINTR))
                break;
            if (n > 0)
                file.Write(buffer, static_cast<std::size_t>(n));
        }
    });
    // The engine opens the pipe by name: its own descriptor, closed when it ends.
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QStringLiteral("/proc/self/fd/%1").arg(fds[1]));
    const bool printed = print();
    printer.setOutputFileName(QString());
    ::close(fds[1]);
    pump.join();
    ::close(fds[0]);
    if (!printed) {
        if (error)
            *error = target + ": printing failed";
        return false; // the temporary file goes with `file`
    }
    return file.Commit(error);
}
