#include "library_stream_helpers.h"

#include <bzlib.h>
#include <lzma.h>
#include <zstd.h>

#include <cstdint>
#include <stdexcept>

namespace vantorel::archive::testzip {

std::string XzCompress(std::string_view bytes) {
  std::string out(lzma_stream_buffer_bound(bytes.size()), '\0');
  std::size_t written = 0;
  if (lzma_easy_buffer_encode(6, LZMA_CHECK_CRC64, nullptr,
                              reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                              reinterpret_cast<std::uint8_t*>(out.data()), &written,
                              out.size()) != LZMA_OK)
    throw std::runtime_error("lzma_easy_buffer_encode");
  out.resize(written);
  return out;
}

std::string Bzip2Compress(std::string_view bytes) {
  std::string out(bytes.size() + bytes.size() / 100 + 600, '\0');
  auto length = static_cast<unsigned>(out.size());
  std::string in(bytes);
  if (BZ2_bzBuffToBuffCompress(out.data(), &length, in.data(), static_cast<unsigned>(in.size()), 9,
                               0, 0) != BZ_OK)
    throw std::runtime_error("BZ2_bzBuffToBuffCompress");
  out.resize(length);
  return out;
}

std::string ZstdCompress(std::string_view bytes) {
  std::string out(ZSTD_compressBound(bytes.size()), '\0');
  const std::size_t written = ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), 3);
  if (ZSTD_isError(written)) throw std::runtime_error("ZSTD_compress");
  out.resize(written);
  return out;
}

}  // namespace vantorel::archive::testzip
