#pragma once

#include <string>

#include "polykern/PolykernExport.h"

/// What the kernel needs from the operating system to bind libraries at run time. The
/// only place that talks to the dynamic loader.
class POLYKERN_API GPlatform {
public:
    /// Loads a library by file name, resolving every symbol now and keeping its symbols
    /// local. Null on failure, and for a null or empty name (which would name the host).
    static void* OpenLibrary(const char* name);
    /// The address of an exported symbol, or null.
    static void* FindSymbol(void* library, const char* symbol);
    /// Drops one reference to a library; null is ignored.
    static void CloseLibrary(void* library);
    /// The handle of a library that is already loaded, without loading it or keeping an
    /// extra reference; null when it is not loaded.
    static void* FindLoadedLibrary(const char* name);
    /// The full path of a loaded module whose file name is `fileName` (or that name with a
    /// version suffix, "libX.so.1"); empty when none is loaded.
    static std::string LoadedLibraryPath(const char* fileName);
    /// `path` with its file-name part (after the last '/') replaced by `fileName`.
    static std::string SiblingPath(const std::string& path, const char* fileName);
    /// The path of the loaded module that holds `address`; empty when none does.
    static std::string ModulePathOf(const void* address);
    /// True when a file or folder exists at `path`.
    static bool FileExists(const char* path);
    /// The file name a library has here: "Name.dll" → "libName.so"; a name that already
    /// looks like a shared object, or has a folder, is kept as given.
    static std::string LibraryFileName(const char* name);
    /// The loader's last error message, or empty.
    static std::string LastError();
};
