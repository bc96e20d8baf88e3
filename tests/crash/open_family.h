// SPDX-License-Identifier: GPL-3.0-or-later
// The open family of a file-system shim loaded with LD_PRELOAD, each passing its call to the
// including file's do_open(dirfd, path, flags, mode).
#pragma once

#define MODE_ARG(flags)                  \
  mode_t mode = 0;                       \
  if ((flags) & (O_CREAT | O_TMPFILE)) { \
    va_list a;                           \
    va_start(a, flags);                  \
    mode = va_arg(a, mode_t);            \
    va_end(a);                           \
  }

int open(const char* path, int flags, ...) {
  MODE_ARG(flags);
  return do_open(AT_FDCWD, path, flags, mode);
}
int open64(const char* path, int flags, ...) {
  MODE_ARG(flags);
  return do_open(AT_FDCWD, path, flags, mode);
}
int openat(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags);
  return do_open(dirfd, path, flags, mode);
}
int openat64(int dirfd, const char* path, int flags, ...) {
  MODE_ARG(flags);
  return do_open(dirfd, path, flags, mode);
}
int creat(const char* path, mode_t mode) { return do_open(AT_FDCWD, path, O_WRONLY | O_CREAT | O_TRUNC, mode); }
