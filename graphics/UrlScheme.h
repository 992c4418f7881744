#pragma once

#include <cctype>

/// Whether url starts with a scheme ("https:", "mailto:", "file:"): a letter, then letters,
/// digits, '+', '-' or '.', then ':'. A single letter before the colon is a drive ("C:\..."),
/// so a path of the local file system, with or without a drive, has none. Only an address
/// with a scheme may need the network to open.
inline bool UrlHasScheme(const char* url) {
  if (!url || !std::isalpha(static_cast<unsigned char>(url[0]))) return false;
  int n = 1;
  for (;; ++n) {
    const unsigned char c = static_cast<unsigned char>(url[n]);
    if (c == ':') return n >= 2;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
}
