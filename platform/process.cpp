#include "platform/process.h"

#include <unistd.h>

#include <cstdio>

void ExitProcess(UINT code) {
  std::fflush(nullptr);
  _exit(static_cast<int>(code));
}
