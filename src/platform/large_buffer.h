// Large buffers for caches: memory the system backs with huge pages where it can, so that
// filling a cache of many megabytes costs a few page faults instead of one per 4 KiB.
#pragma once

#include <cstddef>
#include <memory>

namespace vantorel::platform {

struct LargeBufferFree {
  void operator()(char* bytes) const;
};
using LargeBuffer = std::unique_ptr<char[], LargeBufferFree>;

// An uninitialised buffer of size bytes (size > 0). Throws std::bad_alloc when there is no
// memory for it.
LargeBuffer MakeLargeBuffer(std::size_t size);

}  // namespace vantorel::platform
