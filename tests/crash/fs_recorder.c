// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded into a program with LD_PRELOAD, logs in one order across threads every change that
// the program makes below one folder: creations and truncations, writes with their offset and
// bytes, renames, removals, new and removed folders, and flushes of files and folders. The
// power-cut simulator rebuilds from this log what a cut at any point could leave on a disk.
// KESTRAMO_FSLOG names the log, KESTRAMO_FSLOG_ROOT the folder (an absolute path).
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#define MAX_FDS 4096

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int log_fd = -2;  // -2: not yet set up; -1: off
static char root[PATH_MAX];
static size_t root_len;
static char* fd_paths[MAX_FDS];  // paths relative to the root, for descriptors below it

#include "path_below.h"

static void raw_write(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = syscall(SYS_write, log_fd, data, size);
    if (n <= 0) return;
    data += n;
    size -= (size_t)n;
  }
}

static void setup(void) {
  if (log_fd != -2) return;
  const char* log = getenv("KESTRAMO_FSLOG");
  const char* dir = getenv("KESTRAMO_FSLOG_ROOT");
  log_fd = -1;
  if (!log || !dir || strlen(dir) + 2 > sizeof root) return;
  snprintf(root, sizeof root, "%s/", dir);
  root_len = strlen(root);
  log_fd = (int)syscall(SYS_openat, AT_FDCWD, log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
}

static void record(const char* fmt, ...) {
  char line[PATH_MAX * 3];
  va_list args;
  va_start(args, fmt);
  const int n = vsnprintf(line, sizeof line, fmt, args);
  va_end(args);
  if (n > 0) raw_write(line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
}

static void remember(int fd, const char* rel) {
  if (fd < 0 || fd >= MAX_FDS) return;
  free(fd_paths[fd]);
  fd_paths[fd] = rel ? strdup(rel) : NULL;
}

static const char* path_of(int fd) { return fd >= 0 && fd < MAX_FDS ? fd_paths[fd] : NULL; }

static void record_write(int fd, const void* data, size_t size, off_t offset) {
  const char* rel = path_of(fd);
  if (!rel || size == 0) return;
  record("W %s %lld %zu ", rel, (long long)offset, size);
  static const char hex[] = "0123456789abcdef";
  char chunk[8192];
  const unsigned char* p = data;
  for (size_t i = 0; i < size;) {
    size_t j = 0;
    for (; i < size && j + 2 <= sizeof chunk; ++i) {
      chunk[j++] = hex[p[i] >> 4];
      chunk[j++] = hex[p[i] & 15];
    }
    raw_write(chunk, j);
  }
  raw_write("\n", 1);
}

static int do_open(int dirfd, const char* path, int flags, mode_t mode) {
  static int (*real_openat)(int, const char*, int, ...);
  if (!real_openat) real_openat = real("openat");
  setup();
  char rel[PATH_MAX];
  const char* inside = log_fd >= 0 ? relative(dirfd, path, rel) : NULL;
  struct stat st;
  const int existed = inside && fstatat(dirfd, path, &st, 0) == 0;
  pthread_mutex_lock(&lock);
  const int fd = real_openat(dirfd, path, flags, mode);
  if (fd >= 0 && inside) {
    remember(fd, rel);
    if ((flags & O_CREAT) && !existed) record("C %s\n", rel);
    if ((flags & O_TRUNC) && existed && (flags & O_ACCMODE) != O_RDONLY) record("T %s 0\n", rel);
  }
  pthread_mutex_unlock(&lock);
  return fd;
}

#include "open_family.h"

int close(int fd) {
  static int (*real_close)(int);
  if (!real_close) real_close = real("close");
  pthread_mutex_lock(&lock);
  remember(fd, NULL);
  const int rc = real_close(fd);
  pthread_mutex_unlock(&lock);
  return rc;
}

ssize_t write(int fd, const void* data, size_t size) {
  static ssize_t (*real_write)(int, const void*, size_t);
  if (!real_write) real_write = real("write");
  if (!path_of(fd)) return real_write(fd, data, size);
  pthread_mutex_lock(&lock);
  const off_t at = lseek(fd, 0, SEEK_CUR);
  const ssize_t n = real_write(fd, data, size);
  if (n > 0) record_write(fd, data, (size_t)n, at);
  pthread_mutex_unlock(&lock);
  return n;
}

static ssize_t do_pwrite(int fd, const void* data, size_t size, off_t offset) {
  static ssize_t (*real_pwrite)(int, const void*, size_t, off_t);
  if (!real_pwrite) real_pwrite = real("pwrite64");
  pthread_mutex_lock(&lock);
  const ssize_t n = real_pwrite(fd, data, size, offset);
  if (n > 0) record_write(fd, data, (size_t)n, offset);
  pthread_mutex_unlock(&lock);
  return n;
}
ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) { return do_pwrite(fd, data, size, offset); }
ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) { return do_pwrite(fd, data, size, offset); }

ssize_t writev(int fd, const struct iovec* iov, int count) {
  ssize_t total = 0;
  for (int i = 0; i < count; ++i) {
    const ssize_t n = write(fd, iov[i].iov_base, iov[i].iov_len);
    if (n < 0) return total ? total : n;
    total += n;
    if ((size_t)n < iov[i].iov_len) break;
  }
  return total;
}

static int do_ftruncate(int fd, off_t size) {
  static int (*real_ftruncate)(int, off_t);
  if (!real_ftruncate) real_ftruncate = real("ftruncate64");
  pthread_mutex_lock(&lock);
  const int rc = real_ftruncate(fd, size);
  if (rc == 0 && path_of(fd)) record("T %s %lld\n", path_of(fd), (long long)size);
  pthread_mutex_unlock(&lock);
  return rc;
}
int ftruncate(int fd, off_t size) { return do_ftruncate(fd, size); }
int ftruncate64(int fd, off_t size) { return do_ftruncate(fd, size); }

static int do_sync(int fd, const char* name) {
  int (*real_sync)(int) = real(name);
  pthread_mutex_lock(&lock);
  const int rc = real_sync(fd);
  if (rc == 0) {
    const char* rel = path_of(fd);
    if (rel) record("S %s\n", rel);
  }
  pthread_mutex_unlock(&lock);
  return rc;
}
int fsync(int fd) { return do_sync(fd, "fsync"); }
int fdatasync(int fd) { return do_sync(fd, "fdatasync"); }

// One change of a name: done, then logged under the lock.
#define NAME_OP(call, tag, dirfd, path)                                 \
  setup();                                                              \
  char rel[PATH_MAX];                                                   \
  const char* inside = log_fd >= 0 ? relative(dirfd, path, rel) : NULL; \
  pthread_mutex_lock(&lock);                                            \
  const int rc = call;                                                  \
  if (rc == 0 && inside) record(tag " %s\n", rel);                      \
  pthread_mutex_unlock(&lock);                                          \
  return rc;

int mkdir(const char* path, mode_t mode) {
  static int (*f)(const char*, mode_t);
  if (!f) f = real("mkdir");
  NAME_OP(f(path, mode), "M", AT_FDCWD, path)
}
int mkdirat(int dirfd, const char* path, mode_t mode) {
  static int (*f)(int, const char*, mode_t);
  if (!f) f = real("mkdirat");
  NAME_OP(f(dirfd, path, mode), "M", dirfd, path)
}
int rmdir(const char* path) {
  static int (*f)(const char*);
  if (!f) f = real("rmdir");
  NAME_OP(f(path), "D", AT_FDCWD, path)
}
int unlink(const char* path) {
  static int (*f)(const char*);
  if (!f) f = real("unlink");
  NAME_OP(f(path), "U", AT_FDCWD, path)
}
int unlinkat(int dirfd, const char* path, int flags) {
  static int (*f)(int, const char*, int);
  if (!f) f = real("unlinkat");
  if (flags & AT_REMOVEDIR) {
    NAME_OP(f(dirfd, path, flags), "D", dirfd, path)
  }
  NAME_OP(f(dirfd, path, flags), "U", dirfd, path)
}
int remove(const char* path) {
  struct stat st;
  if (lstat(path, &st) == 0 && S_ISDIR(st.st_mode)) return rmdir(path);
  return unlink(path);
}

static int do_rename(int fromfd, const char* from, int tofd, const char* to, unsigned flags) {
  setup();
  char relFrom[PATH_MAX], relTo[PATH_MAX];
  const char* a = log_fd >= 0 ? relative(fromfd, from, relFrom) : NULL;
  const char* b = log_fd >= 0 ? relative(tofd, to, relTo) : NULL;
  pthread_mutex_lock(&lock);
  const int rc = (int)syscall(SYS_renameat2, fromfd, from, tofd, to, flags);
  if (rc == 0 && a && b) record("R %s\t%s\n", a, b);
  pthread_mutex_unlock(&lock);
  return rc;
}
int rename(const char* from, const char* to) { return do_rename(AT_FDCWD, from, AT_FDCWD, to, 0); }
int renameat(int fromfd, const char* from, int tofd, const char* to) { return do_rename(fromfd, from, tofd, to, 0); }
int renameat2(int fromfd, const char* from, int tofd, const char* to, unsigned flags) {
  return do_rename(fromfd, from, tofd, to, flags);
}
