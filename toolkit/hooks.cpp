#include "toolkit/hooks.h"

#include "toolkit/cached_file.h"

namespace {

// The defaults adapt the cached file's typed operations to the hooks' opaque
// handles.
void* OpenCachedInitData(const char* name) { return CachedFileOpen(name); }

int ReadCachedInitByte(void* handle) { return CachedFileGetByte(static_cast<CachedFile*>(handle)); }

std::size_t ReadCachedInitBlock(void* destination, std::size_t itemSize, std::size_t itemCount,
                                void* handle) {
  return CachedFileRead(destination, itemSize, itemCount, static_cast<CachedFile*>(handle));
}

int SeekCachedInitData(void* handle, std::int32_t offset, int origin) {
  return CachedFileSeek(static_cast<CachedFile*>(handle), offset, origin);
}

int CloseCachedInitData(void* handle) { return CachedFileClose(static_cast<CachedFile*>(handle)); }

constexpr InitDataHooks kDefaultHooks = {OpenCachedInitData, ReadCachedInitByte, ReadCachedInitBlock,
                                         SeekCachedInitData, CloseCachedInitData};

InitDataHooks gInitDataHooks = kDefaultHooks;
CriticalErrorHandler gCriticalErrorHandler = nullptr;

}  // namespace

void SetInitOpenHook(InitOpenHook hook) { gInitDataHooks.open = hook; }
void SetInitReadByteHook(InitReadByteHook hook) { gInitDataHooks.readByte = hook; }
void SetInitReadBlockHook(InitReadBlockHook hook) { gInitDataHooks.readBlock = hook; }
void SetInitSeekHook(InitSeekHook hook) { gInitDataHooks.seek = hook; }
void SetInitCloseHook(InitCloseHook hook) { gInitDataHooks.close = hook; }
void SetCriticalErrorHandler(CriticalErrorHandler handler) { gCriticalErrorHandler = handler; }

void ResetInitDataHooks() { gInitDataHooks = kDefaultHooks; }

const InitDataHooks& CurrentInitDataHooks() { return gInitDataHooks; }
CriticalErrorHandler InstalledCriticalErrorHandler() { return gCriticalErrorHandler; }
