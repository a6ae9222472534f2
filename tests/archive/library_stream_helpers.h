// Compressed streams made by the libraries themselves, for entries the test builds around them.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::archive::testzip {

// A complete .xz stream of bytes (liblzma, preset 6).
std::string XzCompress(std::string_view bytes);
// One bzip2 stream of bytes (libbz2, 900 KB blocks).
std::string Bzip2Compress(std::string_view bytes);
// One zstd frame of bytes (libzstd, level 3).
std::string ZstdCompress(std::string_view bytes);

}  // namespace vantorel::archive::testzip
