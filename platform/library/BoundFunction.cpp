#include "platform/library/BoundFunction.h"

#include <vector>

#include "platform/library/Library.h"
#include "text/Gbk.h"

namespace sonivo::library {
namespace {

struct Binding {
  BoundFunction* function;
  LibraryHandle library;
};

std::vector<Binding>& bindings() {
  static std::vector<Binding> list;
  return list;
}

LibraryHandle load_for_binding(const char* library) {
  if (LibraryHandle own = load_library_file(program_folder() / library)) {
    return own;
  }
  return load_library(Text(library));
}

}  // namespace

bool bind_function(BoundFunction& function) {
  if (function.address) {
    return true;
  }
  LibraryHandle library = load_for_binding(function.library);
  void* address = find_function(library, function.name);
  if (!address) {
    free_library(library);
    return false;
  }
  function.address = address;
  bindings().push_back({&function, library});
  return true;
}

Text missing_function_message(const BoundFunction& function) {
  return gbk("无法找到指定DLL库文件“") + Text(function.library) + gbk("”中的输出命令“") +
         Text(function.name) + gbk("”");
}

void unload_bound_libraries() {
  std::vector<Binding> bound;
  bound.swap(bindings());
  // Latest first, so a library is never released before one bound after it.
  for (auto it = bound.rbegin(); it != bound.rend(); ++it) {
    it->function->address = nullptr;
    free_library(it->library);
  }
}

}  // namespace sonivo::library
