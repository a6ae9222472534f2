// The elapsed time of a search as the status panel shows it.
#pragma once

#include <cstdint>
#include <string>

namespace vantorel::catalogue {

// Milliseconds as seconds in the pattern "#.##": rounded to hundredths (halves up), at most
// two decimals without trailing zeros, no digit forced before the point and no point without
// decimals: 1250 gives "1.25", 2000 "2", 500 ".5", 1005 "1.01"; below 5 milliseconds the
// pattern shows nothing.
std::string SecondsText(std::uint64_t milliseconds);

}  // namespace vantorel::catalogue
