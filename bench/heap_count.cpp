// Every allocation of a benchmark's process counted (linked into the benchmarks that report
// peak heap): the operators new and delete, all their forms, over malloc.
#include "heap_count.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

std::size_t HeapNow = 0, HeapPeak = 0;

namespace {

// The size is kept in front of each block, which stays aligned for any type.
void* Allocate(std::size_t size) {
  auto* block = static_cast<std::max_align_t*>(std::malloc(size + sizeof(std::max_align_t)));
  if (!block) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  HeapNow += size;
  HeapPeak = std::max(HeapPeak, HeapNow);
  return block + 1;
}

void Release(void* pointer) {
  if (!pointer) return;
  auto* block = static_cast<std::max_align_t*>(pointer) - 1;
  HeapNow -= *reinterpret_cast<std::size_t*>(block);
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return Allocate(size);
}
void* operator new[](std::size_t size) {
  return Allocate(size);
}
void operator delete(void* pointer) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer) noexcept {
  Release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  Release(pointer);
}
// The nothrow forms too (LLVM, in the GL driver, allocates with them), so that every block
// the operators above may free came from Allocate.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& nothrow) noexcept {
  return operator new(size, nothrow);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
  Release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
  Release(pointer);
}
