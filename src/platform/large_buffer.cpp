#include "platform/large_buffer.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace vantorel::platform {

namespace {
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
}  // namespace

void LargeBufferFree::operator()(char* bytes) const { std::free(bytes); }

LargeBuffer MakeLargeBuffer(std::size_t size) {
  if (size < kHugePage) {
    void* bytes = std::malloc(size);
    if (bytes == nullptr) throw std::bad_alloc();
    return LargeBuffer(static_cast<char*>(bytes));
  }
  const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
  void* bytes = std::aligned_alloc(kHugePage, rounded);
  if (bytes == nullptr) throw std::bad_alloc();
  // Only advice: without huge pages the buffer works all the same.
  ::madvise(bytes, rounded, MADV_HUGEPAGE);
  return LargeBuffer(static_cast<char*>(bytes));
}

}  // namespace vantorel::platform
