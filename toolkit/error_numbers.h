// The toolkit's error numbers that its own code sets, by name. Each is an
// index into the message table (see messages.h); the comment gives the
// message text it stands for.
#pragma once

#include <cstdint>

enum ToolkitErrorNumber : std::int32_t {
  kErrNone = 0,                    // "No error"
  kErrCannotOpenFile = 3,          // "Can't open file"
  kErrNoXdataReadBuffer = 9,       // no memory for the extended-data read buffer
  kErrNoXdataWriteBuffer = 10,     // no memory for the extended-data write buffer
  kErrNoReadBuffer = 11,           // no memory for the read buffer
  kErrNoWriteBuffer = 12,          // no memory for the write buffer
  kErrLoadingInitData = 15,        // set while the init data is being read
  kErrNoPreview = 23,              // "No BMP present in this file"
  kErrNoTransferBuffer = 134,      // "Can't malloc for raster file write"
  kErrBadImageData = 135,          // "Error in raster data"
  kErrCannotOpenInitData = 182,    // "Unable to open init file"
  kErrWrongInitDataVersion = 183,  // "Incorrect init file version"
  kErrNoSmallBlock = 216,          // "Can't allocate vm temp memory"
  kErrNoContext = 284,             // "Can't allocate Draftcore internal data"
  kErrCannotAllocateFont = 293,    // "Error allocating shapefile"
  kErrRegisteringFonts = 294,      // set while the built-in fonts are registered
};
