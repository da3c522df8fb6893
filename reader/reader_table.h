#pragma once
// Every reader the program has, by name: the one table that the helper serves and that
// an in-process reader runs.
#include "reader/file_reader.h"

const ReaderTable& AllReaders();

// The readers of AllReaders() run in this process: what a tool reads with when it is
// given no reader of a document (tests, benchmarks).
FileReader& LocalReader();
