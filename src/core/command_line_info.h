// --help and --version of the program and its tools, in the manner of the GNU tools.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::core {

// The --version text: "NAME (Vantorel Article Browser) VERSION" and the copyright line, each
// ended by a line break.
std::string VersionText(std::string_view program);

// The options every program takes, as lines of a --help text.
inline constexpr char kHelpAndVersionOptions[] =
    "      --help     display this help and exit\n"
    "      --version  output version information and exit\n";

// Whether a command line asks for the help or the version text: the first --help or --version
// among the arguments decides.
enum class InfoRequest { None, Help, Version };
InfoRequest InfoRequestOf(int argc, const char* const* argv);

}  // namespace vantorel::core
