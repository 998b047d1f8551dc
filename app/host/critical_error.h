// The application's answer to the toolkit's critical errors: a message box,
// then a retry, giving up, or the end of the process.
//
//   code 1  "Critical error: File read", Retry/Cancel: Retry returns 0 (the
//           toolkit reads again), Cancel ends the process with exit code 1
//   code 2  "Critical error: <text of the current error number> (<number>)",
//           OK: ends the process with exit code 2
//   code 3  "Critical error: disk full", Retry/Cancel: returns 1 for Retry,
//           0 for Cancel
//   code 4  "Critical error: write abort", OK: exit code 4
//   code 5  "Critical error: buffer overrun", OK: exit code 5
//   code 6  "Critical error: bad data detected", OK: exit code 6
//   other   nothing shown; returns 0
//
// The process ends at once: the dialog's own shutdown does not run.
// ToolkitCriticalError itself is declared with the toolkit's hooks.
//
// Programs with nobody to ask (the command line, the thumbnailer) answer a
// failed read without a box: FailUnreadableFiles(true) makes code 1 give the
// read up (kGiveUpRead), so that the drawing being read fails on its own and
// the work goes on with the next one.
#pragma once

#include "toolkit/hooks.h"

// Whether a failed read gives up that read (true) or asks the user with the
// Retry/Cancel box (false, the default). Process-wide; set it before the
// work starts.
void FailUnreadableFiles(bool fail);
// The same for the calling thread alone (true), or back to the process's
// choice (false): work done ahead of the user, such as thumbnails made
// before they come on show, gives a failed read up rather than ask, and is
// asked again when the user reaches that drawing.
void FailUnreadableFilesOnThisThread(bool fail);
