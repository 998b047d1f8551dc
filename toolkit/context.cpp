#include "toolkit/context.h"

ToolkitContext* gToolkitContext = nullptr;

void SetErrorNumber(std::int32_t number) {
  if (gToolkitContext != nullptr) gToolkitContext->errorNumber = number;
}
