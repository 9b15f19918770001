#include <cstring>
#include <deque>
#include <mutex>

#include "winapi.h"

// The program's resource module defines this table; a program without one
// (a test) has no built-in resources.
extern "C" __attribute__((weak)) const ResourceEntry* orvex_resource_table(std::size_t* count);

namespace posix {
namespace {

std::mutex gMutex;
std::deque<ResourceEntry> gRegistered;  // stable addresses: handles point into it

bool Matches(const ResourceEntry& entry, WORD id, LPCSTR type) {
  return entry.id == id && std::strcmp(entry.type, type) == 0;
}

}  // namespace

void RegisterResource(const char* type, WORD id, const void* data, DWORD size) {
  std::lock_guard lock(gMutex);
  for (auto& entry : gRegistered) {
    if (Matches(entry, id, type)) {
      entry.data = data;
      entry.size = size;
      return;
    }
  }
  gRegistered.push_back(ResourceEntry{type, id, data, size});
}

}  // namespace posix

HRSRC FindResourceA(HMODULE, LPCSTR name, LPCSTR type) {
  auto id = static_cast<WORD>(reinterpret_cast<std::uintptr_t>(name));
  {
    std::lock_guard lock(posix::gMutex);
    for (const auto& entry : posix::gRegistered)
      if (posix::Matches(entry, id, type)) return &entry;
  }
  std::size_t count = 0;
  const ResourceEntry* table = orvex_resource_table != nullptr ? orvex_resource_table(&count) : nullptr;
  for (std::size_t i = 0; i < count; ++i)
    if (posix::Matches(table[i], id, type)) return &table[i];
  SetLastError(ERROR_NOT_FOUND);
  return nullptr;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) { return resource != nullptr ? resource->data : nullptr; }
LPVOID LockResource(HGLOBAL loaded) { return const_cast<void*>(loaded); }
DWORD SizeofResource(HMODULE, HRSRC resource) { return resource != nullptr ? resource->size : 0; }
