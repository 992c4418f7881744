#pragma once

#include <string>

/// Where the code runs from: the module (plug-in DLL or shared object, or the executable when
/// the code is linked into one) and the host executable.

/// [any thread] The handle of the module that contains this code: its HMODULE on Windows (the
/// one that holds its resources); null elsewhere, where resources are embedded instead.
void* ThisModuleHandle();

/// [any thread] Full path of the module that contains this code; empty when unknown.
std::string ThisModulePath();

/// [any thread] Full path of the running executable; empty when unknown.
std::string HostExecutablePath();

/// The directory part of path, up to and including its last separator ('\\' on Windows, '/'
/// elsewhere). Empty when path is empty, has no separator or ends in one.
std::string DirectoryOf(const std::string& path);
