// The program's own allocation functions: they remember how many bytes a failing request
// asked for, so the new_handler can name the number in its fatal stop. They live in the
// same file as install_allocation_failure_stop so that every program that installs the
// stop links them. Deletion goes to free() to match.

#include <cstdlib>
#include <new>

#include "app/AllocationStop.h"
#include "core/FatalStop.h"

namespace {

thread_local std::size_t failed_request = 0;

void* allocate(std::size_t size) {
  for (;;) {
    if (void* block = std::malloc(size ? size : 1)) {
      return block;
    }
    failed_request = size;
    std::new_handler handler = std::get_new_handler();
    if (!handler) {
      throw std::bad_alloc();
    }
    handler();
  }
}

void stop_on_failed_request() {
  sonivo::allocation_failure_stop(failed_request);
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void operator delete(void* block) noexcept {
  std::free(block);
}
void operator delete[](void* block) noexcept {
  std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
  std::free(block);
}

namespace sonivo {

void install_allocation_failure_stop() {
  std::set_new_handler(stop_on_failed_request);
}

}  // namespace sonivo
