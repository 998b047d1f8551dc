// The drawing-file toolkit: start-up and shutdown, replaceable init data
// hooks, numbered status messages, the block-cached file and the extraction
// of a drawing's embedded preview.
#pragma once

#include "toolkit/cached_file.h"
#include "toolkit/hooks.h"
#include "toolkit/host_functions.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"
#include "toolkit/startup.h"
