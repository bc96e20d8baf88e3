// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the file-system shims that are loaded with LD_PRELOAD: the real function behind
// a wrapper, and whether a path lies below the shim's root folder. The including file
// defines `root` (with its trailing '/') and `root_len`.
#pragma once

static void* real(const char* name) { return dlsym(RTLD_NEXT, name); }

// The path relative to the root, or NULL when it lies elsewhere; `out` holds it.
static const char* relative(int dirfd, const char* path, char* out) {
  char full[PATH_MAX * 2];
  static const char self[] = "/proc/self/fd/";
  if (strncmp(path, self, sizeof self - 1) == 0) {
    // A path through an open folder, as the program names the vault's files: the folder's own.
    char* rest = NULL;
    const long fd = strtol(path + sizeof self - 1, &rest, 10);
    char link[64], base[PATH_MAX];
    snprintf(link, sizeof link, "%s%ld", self, fd);
    const ssize_t n = readlink(link, base, sizeof base - 1);
    if (n <= 0) return NULL;
    base[n] = '\0';
    snprintf(full, sizeof full, "%s%s", base, rest);
  } else if (path[0] == '/') {
    snprintf(full, sizeof full, "%s", path);
  } else {
    char base[PATH_MAX];
    if (dirfd == AT_FDCWD) {
      if (!getcwd(base, sizeof base)) return NULL;
    } else {
      char link[64];
      snprintf(link, sizeof link, "/proc/self/fd/%d", dirfd);
      const ssize_t n = readlink(link, base, sizeof base - 1);
      if (n <= 0) return NULL;
      base[n] = '\0';
    }
    snprintf(full, sizeof full, "%s/%s", base, path);
  }
  // Folds "//" and "/./"; the program names its files without "..".
  char clean[PATH_MAX * 2];
  size_t j = 0;
  for (size_t i = 0; full[i] && j + 1 < sizeof clean; ++i) {
    if (full[i] == '/' && j > 0 && clean[j - 1] == '/') continue;
    if (full[i] == '.' && j > 0 && clean[j - 1] == '/' && (full[i + 1] == '/' || full[i + 1] == '\0')) {
      if (full[i + 1] == '/') ++i;
      continue;
    }
    clean[j++] = full[i];
  }
  clean[j] = '\0';
  if (j > 1 && clean[j - 1] == '/') clean[--j] = '\0';
  if (strncmp(clean, root, root_len) == 0) {
    snprintf(out, PATH_MAX, "%s", clean + root_len);
    return out;
  }
  if (strlen(clean) + 1 == root_len && strncmp(clean, root, root_len - 1) == 0) {
    snprintf(out, PATH_MAX, ".");
    return out;
  }
  return NULL;
}
