#include "app/host/init_data_stream.h"

#include <cstring>

#include "app/host/critical_error.h"
#include "toolkit/hooks.h"

namespace {

constexpr const char* kInitDataName = "#129";
constexpr const char* kInitDataType = "INITDATA";

void* const kStreamHandle = reinterpret_cast<void*>(1);

std::size_t BytesLeft(const InitDataStream& stream) {
  return stream.position == nullptr ? 0 : static_cast<std::size_t>(stream.end - stream.position);
}

}  // namespace

InitDataStream& TheInitDataStream() {
  static InitDataStream stream{};
  return stream;
}

void* InitDataOpen(const char* /*name*/) {
  InitDataStream& stream = TheInitDataStream();
  stream.resource = FindResourceA(nullptr, kInitDataName, kInitDataType);
  stream.loadedResource = LoadResource(nullptr, stream.resource);
  if (stream.loadedResource == nullptr) return nullptr;
  stream.base = static_cast<const std::uint8_t*>(LockResource(stream.loadedResource));
  if (stream.base == nullptr) return nullptr;
  stream.position = stream.base;
  stream.end = stream.base + SizeofResource(nullptr, stream.resource);
  return kStreamHandle;
}

int InitDataReadByte(void* /*handle*/) {
  InitDataStream& stream = TheInitDataStream();
  if (BytesLeft(stream) == 0) return 0;
  return *stream.position++;
}

std::size_t InitDataReadBlock(void* destination, std::size_t itemSize, std::size_t itemCount,
                              void* /*handle*/) {
  InitDataStream& stream = TheInitDataStream();
  if (itemSize == 0 || itemCount == 0) return itemCount;
  const std::size_t whole = BytesLeft(stream) / itemSize;
  const std::size_t items = itemCount < whole ? itemCount : whole;
  const std::size_t bytes = items * itemSize;
  if (bytes != 0) std::memcpy(destination, stream.position, bytes);
  stream.position += bytes;
  return items;
}

int InitDataSeek(void* /*handle*/, std::int32_t offset, int origin) {
  InitDataStream& stream = TheInitDataStream();
  if (stream.base == nullptr) return 0;
  const auto size = static_cast<std::int64_t>(stream.end - stream.base);
  std::int64_t target = 0;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = (stream.position - stream.base) + static_cast<std::int64_t>(offset); break;
    case 2: target = size + offset; break;
    default: return 0;
  }
  if (target >= 0 && target <= size) stream.position = stream.base + target;
  return 0;
}

int InitDataClose(void* /*handle*/) { return 0; }

void InstallToolkitHooks() {
  SetInitOpenHook(InitDataOpen);
  SetInitReadByteHook(InitDataReadByte);
  SetInitReadBlockHook(InitDataReadBlock);
  SetInitSeekHook(InitDataSeek);
  SetInitCloseHook(InitDataClose);
  SetCriticalErrorHandler(ToolkitCriticalError);
}
