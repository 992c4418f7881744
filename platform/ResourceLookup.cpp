#include "platform/ResourceLookup.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#include <string>
#include <vector>
#endif

namespace {

bool validId(int id) {
  return id >= 0 && id <= 0xFFFF;
}

}  // namespace

#ifdef _WIN32

bool LookupResource(void* module, const char* type, int id, ResourceBytes& out) {
  out = {};
  // Ids beyond 16 bits would alias others through MAKEINTRESOURCE.
  if (!type || !validId(id)) return false;
  HMODULE handle = static_cast<HMODULE>(module);
  HRSRC info = FindResourceA(handle, MAKEINTRESOURCEA(id), type);
  if (!info) return false;
  const DWORD size = SizeofResource(handle, info);
  HGLOBAL loaded = LoadResource(handle, info);
  if (!loaded) return false;
  const void* data = LockResource(loaded);
  if (!data) return false;
  out.data = static_cast<const unsigned char*>(data);
  out.size = size;
  return true;
}

#else

namespace {

struct Entry {
  std::string type;
  int id;
  ResourceBytes bytes;
};

// Function-local statics: registration may run from other translation units' static
// initialisers, before any ordinary global here would exist.
std::mutex& tableLock() {
  static std::mutex lock;
  return lock;
}

std::vector<Entry>& table() {
  static std::vector<Entry> entries;
  return entries;
}

}  // namespace

bool LookupResource(void* /*module*/, const char* type, int id, ResourceBytes& out) {
  out = {};
  if (!type || !validId(id)) return false;
  std::lock_guard<std::mutex> guard(tableLock());
  for (const Entry& e : table()) {
    if (e.id == id && e.type == type) {
      out = e.bytes;
      return true;
    }
  }
  return false;
}

void RegisterEmbeddedResource(const char* type, int id, const unsigned char* data,
                              std::size_t size) {
  if (!type || !validId(id)) return;
  std::lock_guard<std::mutex> guard(tableLock());
  for (Entry& e : table()) {
    if (e.id == id && e.type == type) {
      e.bytes = {data, size};
      return;
    }
  }
  table().push_back({type, id, {data, size}});
}

#endif
