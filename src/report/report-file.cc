// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a file by way of a temporary file renamed into place.
#include "report/report-file.h"

#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "i18n.h"

namespace {

struct GFreeDeleter {
  void operator()(gchar *text) const { g_free(text); }
};
using GText = std::unique_ptr<gchar, GFreeDeleter>;

}  // namespace

int output_file_open(const char *path, OutputFile *out) {
  out->path = path;
  out->file = nullptr;
  struct stat existing;
  const bool exists = lstat(path, &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return kOutputNotRegular;
  // A file made read-only is kept as it is, as a device is: renaming a new file over it
  // would replace what its owner protected (root may write it, but no one meant it).
  if (exists && ((existing.st_mode & 0222) == 0 || access(path, W_OK) != 0)) return EACCES;

  GText dir(g_path_get_dirname(path));
  GText base(g_path_get_basename(path));
  // The temporary name adds 8 bytes to the file's; a long name is shortened to leave room
  // for them within the longest name the directory takes.
  std::string stem = base.get();
  const long name_max = pathconf(dir.get(), _PC_NAME_MAX);
  const size_t room = (name_max > 8 ? static_cast<size_t>(name_max) : 255) - 8;
  if (stem.size() > room) stem.resize(room);
  out->temporary = std::string(dir.get()) + "/." + stem + ".XXXXXX";
  const int fd = mkstemp(&out->temporary[0]);
  if (fd == -1) return errno;
  // mkstemp makes the file for its owner only: a file replaced keeps its mode, a new one
  // gets the usual permissions.
  mode_t mode;
  if (exists) {
    mode = existing.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  out->file = fdopen(fd, "wb");
  if (!out->file) {
    const int error = errno;
    close(fd);
    unlink(out->temporary.c_str());
    return error;
  }
  return 0;
}

const char *output_file_error_text(int error) {
  return error == kOutputNotRegular ? _("not a regular file") : g_strerror(error);
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
