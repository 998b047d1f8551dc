// The toolkit's numbered status messages.
//
// Error numbers run from 0 ("No error") to 307. Most messages share one of
// ten leading phrases; those are stored without it and composed on request in
// one shared buffer.
#pragma once

#include <cstdint>

constexpr int kMessageCount = 308;

// The text of an error number; "Error number out of range" outside 0..307.
// The caller does not free it. A composed text lives in a buffer shared by
// every call and stays valid until the next call that composes; copy it at
// once.
const char* ErrorText(std::int16_t number);

// The low 16 bits of the running toolkit's error number; 0 when the toolkit
// is not started.
std::int16_t CurrentErrorNumber();

// The low 16 bits of the error number that the calling thread's last
// toolkit operation set (0 before any). Unlike CurrentErrorNumber, no other
// thread changes it, so a thread that extracts previews beside others reads
// its own outcome here.
std::int16_t ThreadErrorNumber();
