#include "toolkit/startup.h"

#include <cstring>

#include "toolkit/builtin_fonts.h"
#include "toolkit/context.h"
#include "toolkit/error_numbers.h"
#include "toolkit/file_locator.h"
#include "toolkit/init_data.h"
#include "toolkit/host_functions.h"

namespace {

constexpr double kRealTolerance = 5e-7;
constexpr double kDegreesPerRadian = 57.29577951308232;

void Report(std::int16_t* errorOut, std::int32_t number) {
  if (errorOut != nullptr) *errorOut = static_cast<std::int16_t>(number);
}

void FreeBuffer(std::uint8_t*& buffer) {
  if (buffer != nullptr) HostMemoryFree(buffer);
  buffer = nullptr;
}

void FreeWorkBuffers(ToolkitContext* context) {
  FreeBuffer(context->xdataWriteBuffer);
  FreeBuffer(context->xdataReadBuffer);
  FreeBuffer(context->writeBuffer);
  FreeBuffer(context->readBuffer);
}

// Each buffer's error number stands while it is allocated and stays when the
// allocation fails.
bool AllocateWorkBuffers(ToolkitContext* context) {
  struct Step {
    std::int32_t errorNumber;
    std::uint8_t* ToolkitContext::*buffer;
    std::size_t bytes;
  };
  constexpr Step kSteps[] = {
      {kErrNoReadBuffer, &ToolkitContext::readBuffer, kReadBufferBytes},
      {kErrNoWriteBuffer, &ToolkitContext::writeBuffer, kReadBufferBytes},
      {kErrNoXdataReadBuffer, &ToolkitContext::xdataReadBuffer, kXdataBufferBytes},
      {kErrNoXdataWriteBuffer, &ToolkitContext::xdataWriteBuffer, kXdataBufferBytes},
  };
  for (const Step& step : kSteps) {
    context->errorNumber = step.errorNumber;
    context->*step.buffer = static_cast<std::uint8_t*>(HostMemoryAllocate(step.bytes));
    if (context->*step.buffer == nullptr) {
      FreeWorkBuffers(context);
      return false;
    }
  }
  return true;
}

void SetEngineDefaults(ToolkitContext* context) {
  context->realTolerance = kRealTolerance;
  context->angleTolerance = kRealTolerance / kDegreesPerRadian;
  context->displayPrecision = 6;
  context->realLimit = 1000000.0;
  std::strcpy(context->integerFormat, "%6d");
  std::strcpy(context->realFormat, "%.6f");
  std::strcpy(context->exponentFormat, "%.6lE");
}

void SetFinalDefaults(ToolkitContext* context) {
  std::memcpy(context->charsetTag, "dosa", 5);
  std::memcpy(context->styleTag, "TEXT", 5);
  context->engineMode = 26;
}

void DiscardContext(ToolkitContext* context) {
  HostMemoryFree(context);
  gToolkitContext = nullptr;
}

}  // namespace

std::int16_t ToolkitStart(const char* initDataName, std::int16_t* errorOut) {
  if (gToolkitContext != nullptr) ToolkitStop();

  auto* context = static_cast<ToolkitContext*>(HostMemoryAllocate(sizeof(ToolkitContext)));
  if (context == nullptr) {
    Report(errorOut, kErrNoContext);
    return 0;
  }
  std::memset(context, 0, sizeof(ToolkitContext));
  // Published at once: a critical-error handler reads the error number.
  gToolkitContext = context;
  context->fileLocator = LocateToolkitFile;
  context->criticalErrorHandler = InstalledCriticalErrorHandler();

  if (HostMemoryStart() == 0) {
    DiscardContext(context);
    Report(errorOut, kErrNoContext);
    return 0;
  }

  context->smallBlock = HostMemoryAllocate(kSmallBlockBytes);
  if (context->smallBlock == nullptr) {
    context->errorNumber = kErrNoSmallBlock;
    if (context->criticalErrorHandler != nullptr) context->criticalErrorHandler(kCriticalFatal);
    DiscardContext(context);
    Report(errorOut, kErrNoSmallBlock);
    return 0;
  }

  SetEngineDefaults(context);
  if (AllocateWorkBuffers(context)) {
    context->errorNumber = kErrLoadingInitData;
    context->pageBytes = 4096;
    if (LoadInitData(context, initDataName)) {
      context->errorNumber = kErrRegisteringFonts;
      if (RegisterBuiltInFonts(context)) {
        context->errorNumber = 0;
        SetFinalDefaults(context);
        return 1;
      }
      FreeInitDataTables(context);
    }
    FreeWorkBuffers(context);
  }

  Report(errorOut, context->errorNumber);
  HostMemoryRelease(context->smallBlock);
  DiscardContext(context);
  return 0;
}

void ToolkitStop() {
  ToolkitContext* context = gToolkitContext;
  if (context == nullptr) return;
  FreeInitDataTables(context);
  HostMemoryRelease(context->smallBlock);
  context->smallBlock = nullptr;
  FreeWorkBuffers(context);
  FreeBuiltInFonts(context);
  DiscardContext(context);
  HostMemoryStop();
}
