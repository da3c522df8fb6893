#include "app/PrintCommand.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "app/BrinewickDoc.h"
#include "app/PdfSaveFile.h"
#include "app/TextPrinter.h"
#include "core/replace_file.h"

int RunPrintCommand(const std::string& file, std::string pdf)
{
    // The file is read first: a file that cannot be printed says so without a word
    // from the toolkit.
    CBrinewickDoc doc;
    QString problem;
    const QString path = QString::fromLocal8Bit(file.c_str());
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "brinewick: %s was not found.\n", file.c_str());
        return 1;
    }
    if (!doc.SetFilePath(path, &problem)) {
        std::fprintf(stderr, "brinewick: %s\n", problem.toLocal8Bit().constData());
        return 1;
    }
    BuiltText built = CBrinewickDoc::BuildText(doc.Reader(), doc.m_szFilePath);
    if (!built.outcome.log.empty()) {
        for (std::size_t start = 0; start < built.outcome.log.size();) {
            const std::size_t end = std::min(built.outcome.log.find('\n', start), built.outcome.log.size());
            std::fprintf(stderr, "brinewick: %s\n", built.outcome.log.substr(start, end - start).c_str());
            start = end + 1;
        }
        return 1;
    }

    // Printing needs no window: without a display, use the off-screen platform.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "brinewick";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");

    QPrinter printer(QPrinter::HighResolution);
    const bool toPdf = !pdf.empty() || QPrinterInfo::defaultPrinter().isNull();
    if (toPdf) {
        if (pdf.empty())
            pdf = QFileInfo(path).completeBaseName().toStdString() + ".pdf";
        const QString out = QString::fromLocal8Bit(pdf.c_str());
        if (const std::string clash = OutputClash(pdf, {file}); !clash.empty()) {
            std::fprintf(stderr, "brinewick: %s\n", clash.c_str());
            return 2;
        }
        if (CBrinewickDoc::LooksLikeNetcdf(out)) {
            std::fprintf(stderr, "brinewick: %s is a netCDF file; not printing over it\n", pdf.c_str());
            return 1;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
    }
    const TextPrinter pages(built.buffer, printer);
    if (toPdf) {
        std::string error;
        if (!PrintPdfThroughSaveFile(
                printer, pdf, [&] { return pages.Print(printer); }, &error)) {
            std::fprintf(stderr, "brinewick: cannot write %s\n", error.c_str());
            return 1;
        }
        std::fprintf(stdout, "%s\n", pdf.c_str());
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!pages.Print(printer)) {
        std::fputs("brinewick: printing failed\n", stderr);
        return 1;
    }
    return 0;
}
