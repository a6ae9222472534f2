// The long-name form of a path, which the extraction dialog shows as the default destination.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::platform {

// The path as the disk spells it: on Linux there are no short (8.3) names, so this is the
// canonical path of what the path text names (each component in its real letter case, links
// followed), as a path text with "/" separators. A path that names nothing comes back
// unchanged.
std::string ToLongPath(std::string_view path);

}  // namespace vantorel::platform
