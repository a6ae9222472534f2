#include "zip_builder_helpers.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace vantorel::archive::testzip {

std::uint32_t Crc32(std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

std::string RawDeflate(std::string_view bytes) {
  z_stream zs{};
  if (deflateInit2(&zs, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&zs, bytes.size()) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  zs.avail_in = static_cast<uInt>(bytes.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  if (deflate(&zs, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

std::string Le16(std::uint32_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}

std::string Le32(std::uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

Entry& ZipBuilder::Stored(std::string name, std::string content) {
  Entry& entry = Raw(std::move(name));
  entry.crc = Crc32(content);
  entry.compressed_size = entry.uncompressed_size = static_cast<std::uint32_t>(content.size());
  entry.data = std::move(content);
  return entry;
}

Entry& ZipBuilder::Deflated(std::string name, std::string content) {
  Entry& entry = Raw(std::move(name));
  entry.method = 8;
  entry.crc = Crc32(content);
  entry.uncompressed_size = static_cast<std::uint32_t>(content.size());
  entry.data = RawDeflate(content);
  entry.compressed_size = static_cast<std::uint32_t>(entry.data.size());
  return entry;
}

Entry& ZipBuilder::Directory(std::string name) {
  Entry& entry = Raw(std::move(name));
  entry.external_attributes = 0x10;
  return entry;
}

Entry& ZipBuilder::Raw(std::string name) {
  entries.emplace_back();
  entries.back().name = std::move(name);
  return entries.back();
}

std::string ZipBuilder::Build() const {
  std::string zip = prefix;
  std::vector<std::uint32_t> offsets;
  for (const Entry& e : entries) {
    offsets.push_back(static_cast<std::uint32_t>(zip.size()));
    const std::string& local_name = e.local_name.empty() ? e.name : e.local_name;
    zip += Le32(0x04034B50) + Le16(20) + Le16(e.flags) + Le16(e.method) + Le32(e.date_time) +
           Le32(e.crc) + Le32(e.compressed_size) + Le32(e.uncompressed_size) +
           Le16(static_cast<std::uint32_t>(local_name.size())) +
           Le16(static_cast<std::uint32_t>(e.local_extra.size())) + local_name + e.local_extra +
           e.data;
  }
  std::vector<std::size_t> order = central_order;
  if (order.empty())
    for (std::size_t i = 0; i < entries.size(); ++i) order.push_back(i);
  const std::uint32_t central_offset = static_cast<std::uint32_t>(zip.size());
  for (const std::size_t i : order) {
    const Entry& e = entries[i];
    zip += Le32(0x02014B50) + Le16(e.version_made_by) + Le16(20) + Le16(e.flags) +
           Le16(e.method) + Le32(e.date_time) + Le32(e.crc) + Le32(e.compressed_size) + Le32(e.uncompressed_size) +
           Le16(static_cast<std::uint32_t>(e.name.size())) +
           Le16(static_cast<std::uint32_t>(e.extra.size())) +
           Le16(static_cast<std::uint32_t>(e.comment.size())) + Le16(0) + Le16(0) +
           Le32(e.external_attributes) + Le32(e.local_offset.value_or(offsets[i])) + e.name +
           e.extra + e.comment;
  }
  const std::uint32_t central_size = static_cast<std::uint32_t>(zip.size()) - central_offset;
  zip += Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(static_cast<std::uint32_t>(order.size())) +
         Le16(static_cast<std::uint32_t>(order.size())) + Le32(central_size) +
         Le32(central_offset) + Le16(static_cast<std::uint32_t>(archive_comment.size())) +
         archive_comment;
  return zip;
}

std::string DirectoryOnlyArchive(std::size_t n) {
  std::string zip;
  char name[32];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(name, sizeof name, "F%05zu.TXT", i);
    zip += Le32(0x02014B50) + Le16(20) + Le16(20) + Le16(0) + Le16(0) + Le32(kSomeDosTime) +
           Le32(0) + Le32(0) + Le32(0) + Le16(10) + Le16(0) + Le16(0) + Le16(0) + Le16(0) +
           Le32(0x20) + Le32(static_cast<std::uint32_t>(i * 40)) + name;
  }
  const std::uint32_t count = static_cast<std::uint32_t>(n & 0xFFFF);
  zip += Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(count) + Le16(count) +
         Le32(static_cast<std::uint32_t>(zip.size())) + Le32(0) + Le16(0);
  return zip;
}

}  // namespace vantorel::archive::testzip
