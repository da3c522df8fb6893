#pragma once
// Printing to a PDF file so that a refused write is reported and never leaves half a file.
#include <functional>
#include <string>

class QPrinter;

// Points `printer` at a PDF written through a ReplacingFile for `target` and runs
// `print`. The printer writes into a pipe whose bytes a thread passes on to the save
// file, so every write is checked (Qt's PDF engine does not report refused writes) and
// the target is replaced only when the whole PDF is on disk. False, with the file's
// name and the system's reason in `error` (or "printing failed" when `print` failed),
// and the old file as it was. Leaves the printer's output file name empty.
bool PrintPdfThroughSaveFile(QPrinter& printer, const std::string& target, const std::function<bool()>& print,
                             std::string* error);
