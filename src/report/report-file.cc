// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a file by way of a temporary file renamed into place.
#include "report/report-file.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace {

struct GFreeDeleter {
  void operator()(gchar *text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

}  // namespace

int output_file_open(const char *path, OutputFile *out) {
  GText dir(g_path_get_dirname(path));
  GText base(g_path_get_basename(path));
  out->path = path;
  out->temporary = std::string(dir.get()) + "/." + base.get() + ".XXXXXX";
  out->file = nullptr;
  const int fd = mkstemp(&out->temporary[0]);
  if (fd == -1) return errno;
  // mkstemp makes the file for its owner only; give it the usual permissions.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  out->file = fdopen(fd, "wb");
  if (!out->file) {
    const int error = errno;
    close(fd);
    unlink(out->temporary.c_str());
    return error;
  }
  return 0;
}

int output_file_commit(OutputFile *out, int error) {
  if (error == 0 && (fflush(out->file) != 0 || ferror(out->file) ||
                     fsync(fileno(out->file)) != 0))
    error = errno ? errno : EIO;
  if (fclose(out->file) != 0 && error == 0) error = errno;
  out->file = nullptr;
  if (error == 0 && rename(out->temporary.c_str(), out->path.c_str()) != 0) error = errno;
  if (error != 0) unlink(out->temporary.c_str());
  return error;
}
