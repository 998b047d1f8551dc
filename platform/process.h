// Ending the process at once.
#pragma once

#include "platform/win_types.h"

// Flushes the C streams, then ends the process with that exit code without
// running destructors or exit handlers: nobody's own shutdown runs.
[[noreturn]] void ExitProcess(UINT code);
