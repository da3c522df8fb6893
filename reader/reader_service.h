#pragma once
// The helper's side of IsolatedReader: this program in its reading mode serves the
// requests that come on standard input, one at a time, with the readers of `table`,
// and answers on standard output, until its input closes.
#include "reader/file_reader.h"

// `cpu_seconds` (0: none) limits each reading's processor time: a reading over it ends
// the helper by SIGXCPU, which the caller reports as "the time limit". Returns the
// helper's exit status.
int serve_reader(const ReaderTable& table, unsigned long cpu_seconds);
