#include "tools/korvane-validate/ImportPreloader.h"

#if defined(_WIN32)
#include <windows.h>

void PreloadImports(const std::string& modulePath) {
  // Mapped as an image without running or resolving anything: its import directory is
  // readable at its relative addresses.
  HMODULE image = LoadLibraryExA(modulePath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!image) return;
  const auto* base = reinterpret_cast<const unsigned char*>(image);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
    FreeLibrary(image);
    return;
  }
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& directory =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (nt->Signature == IMAGE_NT_SIGNATURE && directory.VirtualAddress != 0) {
    const auto* entry =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; entry->Name != 0; ++entry)
      LoadLibraryA(reinterpret_cast<const char*>(base + entry->Name));
  }
  FreeLibrary(image);
}

#else

void PreloadImports(const std::string&) {}

#endif
