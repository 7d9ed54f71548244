#pragma once
// Calls into a bound library function with the platform's DLL calling convention, and
// says whether the call left the stack pointer where it was.
//
// Only 32-bit x86 has a convention (stdcall) in which the callee removes its own
// arguments; there a function declared with the wrong arguments returns with the stack
// pointer moved, and the caller must notice. Every other target we build for (x86-64
// above all) has one calling convention in which the caller places and removes its own
// arguments, so a call always returns with the stack where it was: the mismatch cannot
// occur and `stack_intact` is always true. The check is therefore compiled only for
// 32-bit x86.

namespace sonivo::library {

struct CallResult {
  int value = 0;
  bool stack_intact = true;
};

#if defined(__i386__)

template <typename... Args>
CallResult call_dll_function(void* address, Args... args) {
  using Function = int(__attribute__((stdcall))*)(Args...);
  const Function function = reinterpret_cast<Function>(address);
  unsigned before = 0;
  unsigned after = 0;
  asm volatile("movl %%esp, %0" : "=r"(before)::"memory");
  const int value = function(args...);
  asm volatile("movl %%esp, %0" : "=r"(after)::"memory");
  return {value, before == after};
}

#else

template <typename... Args>
CallResult call_dll_function(void* address, Args... args) {
  using Function = int (*)(Args...);
  return {reinterpret_cast<Function>(address)(args...), true};
}

#endif

}  // namespace sonivo::library
