#pragma once
// Library functions the program declares by library and exported name and binds on their
// first call. Each function is bound on its own: the library is looked for in the
// program's folder first, then by its plain name through the standard search; the
// address and the library are then remembered, and the library stays loaded until
// unload_bound_libraries (the toolkit's termination).

#include "text/Text.h"

namespace sonivo::library {

struct BoundFunction {
  const char* library;  // "jedata.dll"
  const char* name;     // "SkinH_AttachEx"
  void* address = nullptr;
};

// True when the function is bound, now or before. On failure a library that was loaded
// for it is released again and nothing is remembered.
bool bind_function(BoundFunction& function);

// "无法找到指定DLL库文件“<library>”中的输出命令“<name>”", the text of the fatal stop for a
// function that cannot be bound.
Text missing_function_message(const BoundFunction& function);

// Unloads every library bound so far and forgets the bindings, so a later call binds
// afresh. Safe to call more than once.
void unload_bound_libraries();

}  // namespace sonivo::library
