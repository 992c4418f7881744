#pragma once

#include <string>

/// [host thread] Loads the system libraries a Windows module imports, so that timing the
/// module's load measures the module and not the first load of those libraries into a fresh
/// process (a host has them loaded long before; under Wine a first load of a few of them
/// alone takes about 100 ms). Nothing to do on Linux, where they load in microseconds.
/// The libraries stay loaded until the process ends, as in a host.
void PreloadImports(const std::string& modulePath);
