#pragma once
// A FileReader for the window's thread: each reading runs on the worker thread while
// the window stays live, and after a short delay a progress dialog offers Cancel (see
// RunInBackground). Readings asked from the worker thread itself run there directly.
#include <QPointer>
#include <QWidget>

#include "reader/file_reader.h"

class BackgroundReader : public FileReader {
public:
    // Reads through `inner` (not owned); the progress dialog belongs to `parent`.
    BackgroundReader(FileReader& inner, QWidget* parent) : m_inner(inner), m_parent(parent) {}
    ReadAnswer Call(const std::string& reader, const std::string& args, const ReadContext& context) override;

private:
    FileReader& m_inner;
    QPointer<QWidget> m_parent;
};

// Whether a reading's message says only that the user cancelled it: nothing to report.
bool ReadingWasCancelled(const std::string& message);
