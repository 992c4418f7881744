#pragma once

#include <cstddef>

/// Read-only bytes of one module resource. data is null when there is none.
struct ResourceBytes {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

/// [any thread] Finds the resource of the given type (e.g. "PNG") and numeric id (0..65535) in
/// module. On Windows module is the HMODULE that holds the resource (null: the executable) and
/// the bytes stay valid while the module is loaded. Elsewhere module is ignored and the
/// embedded table is searched. False (and out cleared) when there is no such resource.
bool LookupResource(void* module, const char* type, int id, ResourceBytes& out);

#ifndef _WIN32
/// [any thread] Adds an entry to the embedded resource table, replacing one with the same type
/// and id. The bytes are not copied: they must outlive every lookup (static data in practice).
void RegisterEmbeddedResource(const char* type, int id, const unsigned char* data,
                              std::size_t size);
#endif
