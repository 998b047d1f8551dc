#include "platform/resource.h"

#include <cstddef>
#include <cstring>

// Defined by the build's generated resource source (resources/).
extern const unsigned char kEmbeddedInitData[];
extern const std::size_t kEmbeddedInitDataSize;

struct ResourceRecord {
  const char* type;
  const char* name;
  const unsigned char* data;
  const std::size_t* size;
};

namespace {

const ResourceRecord kResources[] = {
    {"INITDATA", "#129", kEmbeddedInitData, &kEmbeddedInitDataSize},
};

}  // namespace

HRSRC FindResourceA(HMODULE /*module*/, const char* name, const char* type) {
  if (name == nullptr || type == nullptr) return nullptr;
  for (const ResourceRecord& record : kResources) {
    if (std::strcmp(record.name, name) == 0 && std::strcmp(record.type, type) == 0) return &record;
  }
  return nullptr;
}

HGLOBAL LoadResource(HMODULE /*module*/, HRSRC resource) {
  if (resource == nullptr) return nullptr;
  return const_cast<unsigned char*>(resource->data);
}

void* LockResource(HGLOBAL loaded) { return loaded; }

DWORD SizeofResource(HMODULE /*module*/, HRSRC resource) {
  if (resource == nullptr) return 0;
  return static_cast<DWORD>(*resource->size);
}
