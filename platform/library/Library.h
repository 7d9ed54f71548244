#pragma once
// Shared libraries loaded the way the program's platform loads DLLs.
//
// A name with a folder in it ("C:\Windows\jedata.dll", "/opt/x/jedata.dll", "sub\x.dll")
// is loaded from that place only. A plain name ("jedata.dll") is looked for in the
// standard order: the folder of the program's executable, the system folder
// "C:\Windows\System32", the 16-bit system folder "C:\Windows\System", the Windows folder
// "C:\Windows", the current folder, then the folders of PATH. Drive paths go through the
// file layer, so "C:\Windows" is wherever C: is mapped. The host's own library search
// (LD_LIBRARY_PATH, the linker cache) never takes part: every load names a full path.
//
// A file that is found but cannot be loaded (not a library for this process) is passed
// over and the search goes on, as the platform passes over images built for another
// machine.
//
// While a library is loaded its file is held with a shared lock, so the file layer's
// exclusive write opens fail on it, as writing a DLL that is in use fails. Without the
// lock a second copy of the program would truncate the image under running code.

#include <filesystem>
#include <vector>

#include "text/Text.h"

namespace sonivo::library {

struct LoadedLibrary;
using LibraryHandle = LoadedLibrary*;

// nullptr when the library cannot be found or loaded.
LibraryHandle load_library(const Text& name);
LibraryHandle load_library_file(const std::filesystem::path& host_file);

// The exported symbol's address; nullptr when the library does not export it.
void* find_function(LibraryHandle library, const char* name);

// Releases one load; a null handle is ignored.
void free_library(LibraryHandle library);

// The folder of the running executable (/proc/self/exe), unless replaced.
std::filesystem::path program_folder();
// Tests put "the program's folder" elsewhere; an empty path restores the real one.
void set_program_folder(const std::filesystem::path& folder);

// The folders a plain name is looked for in, in order.
std::vector<std::filesystem::path> search_folders();

}  // namespace sonivo::library
