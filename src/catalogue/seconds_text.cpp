#include "catalogue/seconds_text.h"

namespace vantorel::catalogue {

std::string SecondsText(std::uint64_t milliseconds) {
  const std::uint64_t hundredths = (milliseconds + 5) / 10;
  std::string text;
  if (hundredths >= 100) text = std::to_string(hundredths / 100);
  std::string decimals = {static_cast<char>('0' + hundredths / 10 % 10),
                          static_cast<char>('0' + hundredths % 10)};
  while (!decimals.empty() && decimals.back() == '0') decimals.pop_back();
  if (!decimals.empty()) text += "." + decimals;
  return text;
}

}  // namespace vantorel::catalogue
