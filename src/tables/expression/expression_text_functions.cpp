#include "tables/expression/expression_text_functions.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/code_pages.h"
#include "tables/expression/expression_numbers.h"

namespace vantorel::tables {

namespace {

constexpr std::uint32_t kMaxLength = kMaxCharacterLength;

// The Soundex digit of an upper-case letter: 0 for the vowels, -1 for H and W.
int SoundexDigit(char letter) {
  static constexpr std::string_view kDigits = "01230120022455012623010202";  // A..Z
  if (letter == 'H' || letter == 'W') return -1;
  return kDigits[static_cast<std::size_t>(letter - 'A')] - '0';
}

std::array<char, 4> SoundexCode(std::string_view text) {
  std::array<char, 4> code = {'0', '0', '0', '0'};
  std::size_t i = text.find_first_not_of(' ');
  auto upper_letter = [&](std::size_t k) -> char {
    if (k >= text.size()) return 0;
    const char c = text[k];
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c >= 'A' && c <= 'Z' ? c : 0;
  };
  if (i == std::string_view::npos || upper_letter(i) == 0) return code;
  code[0] = upper_letter(i);
  int previous = SoundexDigit(code[0]);
  std::size_t written = 1;
  for (++i; written < code.size(); ++i) {
    const char letter = upper_letter(i);
    if (letter == 0) break;
    const int digit = SoundexDigit(letter);
    if (digit < 0) continue;
    if (digit > 0 && digit != previous) code[written++] = static_cast<char>('0' + digit);
    previous = digit;
  }
  return code;
}

}  // namespace

void Upper(const FunctionCall& call) {
  core::AnsiUpperBuffer(call.pool.BytesOf(call.Result()), call.Result().length);
}

void Lower(const FunctionCall& call) {
  core::AnsiLowerBuffer(call.pool.BytesOf(call.Result()), call.Result().length);
}

void TrimTrailingBlanks(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const std::size_t kept = call.Text(0).find_last_not_of(' ') + 1;
  call.pool.SetText(result, result.position, static_cast<std::uint32_t>(kept));
}

void TrimLeadingBlanks(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const std::string_view text = call.Text(0);
  const std::size_t skipped = std::min(text.find_first_not_of(' '), text.size());
  std::memmove(call.pool.BytesOf(result), text.data() + skipped, text.size() - skipped);
  call.pool.SetText(result, result.position, static_cast<std::uint32_t>(text.size() - skipped));
}

void Left(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const int count = ClampToInt(call.Number(1), 0, static_cast<int>(result.length));
  call.pool.SetText(result, result.position, static_cast<std::uint32_t>(count));
}

void Right(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const int count = ClampToInt(call.Number(1), 0, static_cast<int>(result.length));
  char* const text = call.pool.BytesOf(result);
  std::memmove(text, text + result.length - count, static_cast<std::size_t>(count));
  call.pool.SetText(result, result.position, static_cast<std::uint32_t>(count));
}

void Substr(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const int length = static_cast<int>(result.length);
  const int start = ClampToInt(call.Number(1), 1, length + 1);
  const int count = ClampToInt(call.Number(2), 0, length - (start - 1));
  char* const text = call.pool.BytesOf(result);
  std::memmove(text, text + start - 1, static_cast<std::size_t>(count));
  call.pool.SetText(result, result.position, static_cast<std::uint32_t>(count));
}

void Stuff(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const std::string_view text = call.Text(0);
  const std::string_view insert = call.Text(3);
  const int length = static_cast<int>(text.size());
  const int start = ClampToInt(call.Number(1), 1, length + 1);
  const int count = ClampToInt(call.Number(2), 0, length - (start - 1));
  std::string stuffed(text.substr(0, static_cast<std::size_t>(start - 1)));
  stuffed += insert;
  stuffed += text.substr(static_cast<std::size_t>(start - 1 + count));
  stuffed.resize(std::min<std::size_t>(stuffed.size(), kMaxLength));
  call.pool.SetText(result, result.position, static_cast<std::uint32_t>(stuffed.size()));
  std::memcpy(call.pool.BytesOf(result), stuffed.data(), stuffed.size());
}

void Replicate(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const std::uint32_t unit = result.length;
  const int times = ClampToInt(call.Number(1), 0, kMaxCharacterLength);
  const std::uint32_t length =
      unit == 0 ? 0 : std::min<std::uint32_t>(unit * static_cast<std::uint32_t>(times), kMaxLength);
  call.pool.SetText(result, result.position, length);
  char* const text = call.pool.BytesOf(result);
  for (std::uint32_t i = unit; i < length; ++i) text[i] = text[i % unit];
}

void Space(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const int count = ClampToInt(call.Number(0), 0, kMaxCharacterLength);
  call.pool.SetText(result, call.pool.End(), static_cast<std::uint32_t>(count));
  std::memset(call.pool.BytesOf(result), ' ', static_cast<std::size_t>(count));
}

void Len(const FunctionCall& call) {
  StackSlot& result = call.Result();
  call.pool.Release(result);
  result.number = result.length;
}

void At(const FunctionCall& call) {
  const std::string_view needle = call.Text(0);
  const std::size_t found = needle.empty() ? std::string_view::npos : call.Text(1).find(needle);
  call.pool.Release(call.Result());
  call.Result().number = found == std::string_view::npos ? 0.0 : static_cast<double>(found + 1);
}

void Soundex(const FunctionCall& call) {
  StackSlot& result = call.Result();
  const std::array<char, 4> code = SoundexCode(call.Text(0));
  call.pool.Release(result);
  call.pool.NewText(result, std::string_view(code.data(), code.size()));
}

}  // namespace vantorel::tables
