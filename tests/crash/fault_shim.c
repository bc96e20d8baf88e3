// SPDX-License-Identifier: GPL-3.0-or-later
// Loaded into a program with LD_PRELOAD, fails one system call that touches a folder: the
// N-th of a kind (write, fsync, fdatasync, close, open, rename, unlink, mkdir) below
// KESTRAMO_FAULT_ROOT fails with KESTRAMO_FAULT_ERRNO, without being made, as a failing
// disk would fail it. KESTRAMO_FAULT_KIND and KESTRAMO_FAULT_AT choose the call;
// KESTRAMO_FAULT_COUNTS names a file that gets, at exit, how many calls of each kind were
// made, so that a driver can fail each in turn. write counts pwrite and writev too.
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

enum Kind { WRITE, FSYNC, FDATASYNC, CLOSE, OPEN, RENAME, UNLINK, MKDIR, KINDS };
static const char* const kind_names[KINDS] = {"write", "fsync",  "fdatasync", "close",
                                              "open",  "rename", "unlink",    "mkdir"};

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int ready = 0;  // 0: not yet set up; 1: on; -1: off
static char root[PATH_MAX];
static size_t root_len;
static unsigned char below[MAX_FDS];  // descriptors of files and folders below the root
static long counts[KINDS];
static int fail_kind = -1;
static long fail_at = 0;
static int fail_errno = EIO;
static const char* counts_file;

#include "path_below.h"

static void write_counts(void) {
  if (!counts_file) return;
  const int fd = (int)syscall(SYS_openat, AT_FDCWD, counts_file, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  char line[256];
  int n = 0;
  for (int k = 0; k < KINDS; ++k)
    n += snprintf(line + n, sizeof line - (size_t)n, "%s %ld\n", kind_names[k], counts[k]);
  syscall(SYS_write, fd, line, (size_t)n);
  syscall(SYS_close, fd);
}

static void setup(void) {
  if (ready) return;
  const char* dir = getenv("KESTRAMO_FAULT_ROOT");
  ready = -1;
  if (!dir || strlen(dir) + 2 > sizeof root) return;
  snprintf(root, sizeof root, "%s/", dir);
  root_len = strlen(root);
  const char* kind = getenv("KESTRAMO_FAULT_KIND");
  for (int k = 0; kind && k < KINDS; ++k)
    if (strcmp(kind, kind_names[k]) == 0) fail_kind = k;
  if (getenv("KESTRAMO_FAULT_AT")) fail_at = atol(getenv("KESTRAMO_FAULT_AT"));
  if (getenv("KESTRAMO_FAULT_ERRNO")) fail_errno = atoi(getenv("KESTRAMO_FAULT_ERRNO"));
  counts_file = getenv("KESTRAMO_FAULT_COUNTS");
  if (counts_file) atexit(write_counts);
  ready = 1;
}

// Counts a call of `kind` below the root; true when it is the one to fail (errno is set).
static int fails(enum Kind kind) {
  pthread_mutex_lock(&lock);
  const long n = ++counts[kind];
  pthread_mutex_unlock(&lock);
  if ((int)kind != fail_kind || n != fail_at) return 0;
  errno = fail_errno;
  return 1;
}

static int inside(int dirfd, const char* path) {
  setup();
  char rel[PATH_MAX];
  return ready > 0 && path && relative(dirfd, path, rel) != NULL;
}

static int fd_below(int fd) { return ready > 0 && fd >= 0 && fd < MAX_FDS && below[fd]; }

static int do_open(int dirfd, const char* path, int flags, mode_t mode) {
  static int (*real_openat)(int, const char*, int, ...);
  if (!real_openat) real_openat = real("openat");
  const int mine = inside(dirfd, path);
  if (mine && fails(OPEN)) return -1;
  const int fd = real_openat(dirfd, path, flags, mode);
  if (fd >= 0 && fd < MAX_FDS) below[fd] = (unsigned char)mine;
  return fd;
}

#include "open_family.h"

// A close that fails has still let the descriptor go, as the kernel's does.
int close(int fd) {
  static int (*real_close)(int);
  if (!real_close) real_close = real("close");
  const int mine = fd_below(fd);
  if (fd >= 0 && fd < MAX_FDS) below[fd] = 0;
  const int rc = real_close(fd);
  if (mine && rc == 0 && fails(CLOSE)) return -1;
  return rc;
}

ssize_t write(int fd, const void* data, size_t size) {
  static ssize_t (*real_write)(int, const void*, size_t);
  if (!real_write) real_write = real("write");
  if (fd_below(fd) && fails(WRITE)) return -1;
  return real_write(fd, data, size);
}

static ssize_t do_pwrite(int fd, const void* data, size_t size, off_t offset) {
  static ssize_t (*real_pwrite)(int, const void*, size_t, off_t);
  if (!real_pwrite) real_pwrite = real("pwrite64");
  if (fd_below(fd) && fails(WRITE)) return -1;
  return real_pwrite(fd, data, size, offset);
}
ssize_t pwrite(int fd, const void* data, size_t size, off_t offset) { return do_pwrite(fd, data, size, offset); }
ssize_t pwrite64(int fd, const void* data, size_t size, off_t offset) { return do_pwrite(fd, data, size, offset); }

ssize_t writev(int fd, const struct iovec* iov, int count) {
  static ssize_t (*real_writev)(int, const struct iovec*, int);
  if (!real_writev) real_writev = real("writev");
  if (fd_below(fd) && fails(WRITE)) return -1;
  return real_writev(fd, iov, count);
}

static int do_sync(int fd, enum Kind kind) {
  int (*real_sync)(int) = real(kind == FSYNC ? "fsync" : "fdatasync");
  if (fd_below(fd) && fails(kind)) return -1;
  return real_sync(fd);
}
int fsync(int fd) { return do_sync(fd, FSYNC); }
int fdatasync(int fd) { return do_sync(fd, FDATASYNC); }

int mkdir(const char* path, mode_t mode) {
  static int (*f)(const char*, mode_t);
  if (!f) f = real("mkdir");
  if (inside(AT_FDCWD, path) && fails(MKDIR)) return -1;
  return f(path, mode);
}
int mkdirat(int dirfd, const char* path, mode_t mode) {
  static int (*f)(int, const char*, mode_t);
  if (!f) f = real("mkdirat");
  if (inside(dirfd, path) && fails(MKDIR)) return -1;
  return f(dirfd, path, mode);
}
int unlink(const char* path) {
  static int (*f)(const char*);
  if (!f) f = real("unlink");
  if (inside(AT_FDCWD, path) && fails(UNLINK)) return -1;
  return f(path);
}
int unlinkat(int dirfd, const char* path, int flags) {
  static int (*f)(int, const char*, int);
  if (!f) f = real("unlinkat");
  if (!(flags & AT_REMOVEDIR) && inside(dirfd, path) && fails(UNLINK)) return -1;
  return f(dirfd, path, flags);
}

static int do_rename(int fromfd, const char* from, int tofd, const char* to, unsigned flags) {
  if ((inside(fromfd, from) || inside(tofd, to)) && fails(RENAME)) return -1;
  return (int)syscall(SYS_renameat2, fromfd, from, tofd, to, flags);
}
int rename(const char* from, const char* to) { return do_rename(AT_FDCWD, from, AT_FDCWD, to, 0); }
int renameat(int fromfd, const char* from, int tofd, const char* to) { return do_rename(fromfd, from, tofd, to, 0); }
int renameat2(int fromfd, const char* from, int tofd, const char* to, unsigned flags) {
  return do_rename(fromfd, from, tofd, to, flags);
}
