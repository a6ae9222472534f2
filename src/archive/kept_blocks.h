// The decoders' large blocks (dictionaries, block-sorting tables, windows and library buffers,
// from 16 KB to tens of MB) kept from one entry to the next, so that an archive of many small entries does
// not allocate, fault in and free them again for every entry.
//
// Blocks are kept per thread while a KeptBlocks::Scope is alive on that thread (an extraction
// run holds one); outside a scope Free returns a block at once. No lock is taken: the state
// belongs to the calling thread, so each extractor running on its own thread has its own blocks.
// A block handed out again still holds the bytes of the entry that used it before, as memory
// from malloc may; every library the decoders use either clears what it relies on (liblzma's and
// libzstd's zeroed allocations go through their own memset) or writes before it reads, and each
// entry's output is checked by its size and CRC.
#pragma once

#include <cstddef>

namespace vantorel::archive {

class KeptBlocks {
 public:
  // Smaller blocks come from malloc and go back to it every time.
  static constexpr std::size_t kSmallestKept = std::size_t{16} << 10;
  // At most this many bytes and blocks are kept per thread; a block freed beyond that pushes
  // out the longest-kept ones (a larger block is never kept).
  static constexpr std::size_t kMostKeptBytes = std::size_t{160} << 20;
  static constexpr std::size_t kMostKeptBlocks = 16;

  // Keeps freed blocks on the calling thread while alive. Scopes nest; when the outermost ends,
  // the blocks it kept are freed. REQUIRES: ends on the thread that made it, before that
  // thread ends (a scope never ended leaves the blocks to be freed with the thread).
  class Scope {
   public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
  };

  // A block of at least size bytes aligned for any type, a kept one when one fits (its size
  // between size and twice size), else a new one; nullptr when there is no memory.
  static void* Allocate(std::size_t size) noexcept;
  // Gives back a block from Allocate (nullptr does nothing): kept inside a scope when it is
  // large enough and fits the bounds, else freed.
  static void Free(void* block) noexcept;

  // The bytes kept now on the calling thread.
  static std::size_t KeptBytes() noexcept;
};

}  // namespace vantorel::archive
