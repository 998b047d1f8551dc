/* A preloaded stand-in for pread that fails every read of the files whose
 * name ends with $PICTROVE_FAIL_READS, with EIO, as a bad sector or a share
 * that dropped would. Every other read goes through. For tests that run the
 * programs as processes: LD_PRELOAD=<this library>. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

typedef ssize_t (*PreadFunction)(int, void*, size_t, off_t);

static int ShouldFail(int descriptor) {
  const char* suffix = getenv("PICTROVE_FAIL_READS");
  if (suffix == NULL || suffix[0] == '\0') return 0;
  char link[64];
  char path[PATH_MAX];
  snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
  const ssize_t length = readlink(link, path, sizeof path - 1);
  if (length <= 0) return 0;
  path[length] = '\0';
  const size_t want = strlen(suffix);
  return (size_t)length >= want && strcmp(path + length - want, suffix) == 0;
}

static ssize_t Forward(const char* name, int descriptor, void* buffer, size_t count, off_t offset) {
  PreadFunction next = (PreadFunction)dlsym(RTLD_NEXT, name);
  if (next == NULL) {
    errno = ENOSYS;
    return -1;
  }
  return next(descriptor, buffer, count, offset);
}

ssize_t pread(int descriptor, void* buffer, size_t count, off_t offset) {
  if (ShouldFail(descriptor)) {
    errno = EIO;
    return -1;
  }
  return Forward("pread", descriptor, buffer, count, offset);
}

ssize_t pread64(int descriptor, void* buffer, size_t count, off_t offset) {
  if (ShouldFail(descriptor)) {
    errno = EIO;
    return -1;
  }
  return Forward("pread64", descriptor, buffer, count, offset);
}
