// SPDX-License-Identifier: GPL-3.0-or-later
// Files written whole or not at all: a temporary file beside the target, renamed into place
// once complete.
#pragma once

#include <cstdio>
#include <string>

// A file being written.
struct OutputFile {
  FILE *file;             // the temporary file, open for writing
  std::string temporary;  // its name
  std::string path;       // the name it gets when complete
};

// What output_file_open returns for a path that exists and is no regular file.
constexpr int kOutputNotRegular = -1;

// Makes a temporary file beside |path|, with the mode of the file at |path| when there is
// one and the usual permissions otherwise. A path that exists and is no regular file (a
// FIFO, a device, a symbolic link, a directory) is refused: it stays what it is. Returns 0,
// kOutputNotRegular, or the errno of the failure (then nothing is left).
int output_file_open(const char *path, OutputFile *out);

// The text that says why output_file_open or output_file_commit failed with |error|.
const char *output_file_error_text(int error);

// Flushes, syncs and closes the temporary file and renames it to its path. |error| is a
// failure seen while writing (an errno, or 0). Returns 0, or the errno of the first
// failure, after which the temporary file is removed.
int output_file_commit(OutputFile *out, int error);
