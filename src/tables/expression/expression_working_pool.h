// The working pool: the scratch bytes that hold the character values on an expression's
// evaluation stack while its code runs.
//
// Values are placed one after the other, each followed by one spare byte, and the pool ends
// after the newest one. An operator or function builds its result where its first operand's
// text starts, so the pool grows and shrinks with the stack. Its size is fixed when the
// expression is compiled (see expression.h).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "tables/expression/expression.h"

namespace vantorel::tables {

class WorkingPool {
 public:
  // An empty pool over bytes[0..size).
  WorkingPool(char* bytes, std::uint32_t size) : bytes_(bytes), size_(size) {}
  WorkingPool(const WorkingPool&) = delete;
  WorkingPool& operator=(const WorkingPool&) = delete;

  // The characters of a character value; valid until the value is changed or released.
  std::string_view TextOf(const StackSlot& slot) const {
    return std::string_view(bytes_ + slot.position, slot.length);
  }

  // The first byte of a character value, for building a result in its place.
  char* BytesOf(const StackSlot& slot) const { return bytes_ + slot.position; }

  // The first free byte.
  std::uint32_t End() const { return end_; }

  // Makes slot the character value of length bytes at position; the pool then ends after it.
  // Throws EKvError 354 "Working pool overflow [PARSER/Allocate]" when the value and its spare
  // byte do not fit.
  void SetText(StackSlot& slot, std::uint32_t position, std::uint32_t length) {
    if (position + length + 1 > size_) Overflow();
    slot.position = position;
    slot.length = length;
    end_ = position + length + 1;
  }

  // Makes slot a new character value at the pool's end, a copy of text cut to
  // kMaxCharacterLength bytes. Throws like SetText.
  void NewText(StackSlot& slot, std::string_view text) {
    const std::uint32_t length = std::min<std::uint32_t>(static_cast<std::uint32_t>(text.size()),
                                                         kMaxCharacterLength);
    SetText(slot, end_, length);
    std::memcpy(bytes_ + slot.position, text.data(), length);
  }

  // Frees slot's character value and every value after it, before the slot takes a number
  // or a logical value. The bytes stay readable until the next value is placed.
  void Release(const StackSlot& slot) { end_ = slot.position; }

 private:
  [[noreturn]] static void Overflow();

  char* bytes_;             // the pool's first byte
  std::uint32_t size_;      // bytes in the pool
  std::uint32_t end_ = 0;   // first byte after the newest value
};

}  // namespace vantorel::tables
