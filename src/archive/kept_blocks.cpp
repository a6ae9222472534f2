#include "archive/kept_blocks.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace vantorel::archive {

namespace {

// Each block starts with a header holding its usable size; the caller's bytes follow, aligned
// as malloc aligns.
constexpr std::size_t kHeader = alignof(std::max_align_t);

struct Kept {
  std::byte* base;    // what malloc returned
  std::size_t size;   // usable bytes after the header
};

struct ThreadBlocks {
  int scopes = 0;             // Scope objects alive on this thread
  std::vector<Kept> blocks;   // kept blocks, the longest-kept first
  std::size_t bytes = 0;      // usable bytes of blocks

  void FreeAll() noexcept {
    for (const Kept& kept : blocks) std::free(kept.base);
    blocks.clear();
    bytes = 0;
  }
  ~ThreadBlocks() { FreeAll(); }
};

ThreadBlocks& Blocks() noexcept {
  thread_local ThreadBlocks blocks;
  return blocks;
}

std::size_t SizeOf(const std::byte* base) noexcept {
  std::size_t size;
  std::memcpy(&size, base, sizeof size);
  return size;
}

}  // namespace

KeptBlocks::Scope::Scope() {
  ThreadBlocks& thread = Blocks();
  // Reserved now so that Free never allocates.
  thread.blocks.reserve(kMostKeptBlocks + 1);
  ++thread.scopes;
}

KeptBlocks::Scope::~Scope() {
  ThreadBlocks& thread = Blocks();
  if (--thread.scopes == 0) thread.FreeAll();
}

void* KeptBlocks::Allocate(std::size_t size) noexcept {
  ThreadBlocks& thread = Blocks();
  if (size >= kSmallestKept && !thread.blocks.empty()) {
    std::size_t best = thread.blocks.size();
    for (std::size_t i = 0; i < thread.blocks.size(); ++i) {
      const std::size_t kept = thread.blocks[i].size;
      if (kept >= size && kept / 2 <= size &&
          (best == thread.blocks.size() || kept < thread.blocks[best].size))
        best = i;
    }
    if (best < thread.blocks.size()) {
      std::byte* base = thread.blocks[best].base;
      thread.bytes -= thread.blocks[best].size;
      thread.blocks.erase(thread.blocks.begin() + static_cast<std::ptrdiff_t>(best));
      return base + kHeader;
    }
  }
  if (size > static_cast<std::size_t>(-1) - kHeader) return nullptr;
  auto* base = static_cast<std::byte*>(std::malloc(kHeader + size));
  if (base == nullptr) return nullptr;
  std::memcpy(base, &size, sizeof size);
  return base + kHeader;
}

void KeptBlocks::Free(void* block) noexcept {
  if (block == nullptr) return;
  std::byte* base = static_cast<std::byte*>(block) - kHeader;
  const std::size_t size = SizeOf(base);
  ThreadBlocks& thread = Blocks();
  if (thread.scopes == 0 || size < kSmallestKept || size > kMostKeptBytes) {
    std::free(base);
    return;
  }
  thread.blocks.push_back({base, size});  // capacity reserved by the scope
  thread.bytes += size;
  std::size_t evicted = 0;
  while (thread.bytes > kMostKeptBytes || thread.blocks.size() - evicted > kMostKeptBlocks) {
    std::free(thread.blocks[evicted].base);
    thread.bytes -= thread.blocks[evicted].size;
    ++evicted;
  }
  thread.blocks.erase(thread.blocks.begin(),
                      thread.blocks.begin() + static_cast<std::ptrdiff_t>(evicted));
}

std::size_t KeptBlocks::KeptBytes() noexcept { return Blocks().bytes; }

}  // namespace vantorel::archive
