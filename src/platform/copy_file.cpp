#include "platform/copy_file.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/file_system.h"

namespace vantorel::platform {

namespace {

[[noreturn]] void Fail(const char* what, std::string_view path, int error) {
  throw FileError(std::string(what) + " \"" + ShownPath(path) + "\". " + std::strerror(error));
}

}  // namespace

void CopyFileKeepDate(std::string_view source_text, std::string_view target_text) {
  std::optional<File> source = File::Open(source_text, File::Mode::Read);
  if (!source) Fail("Cannot open file", source_text, errno);
  const std::optional<FileIdentity> source_identity = source->Identity();
  if (!source_identity) Fail("Cannot open file", source_text, errno);
  const std::optional<std::timespec> source_time = source->ModifiedTime();
  if (!source_time) Fail("Cannot open file", source_text, errno);

  const auto target_path = ResolvePath(target_text);
  if (IdentityAt(target_path) == source_identity)
    throw FileError("Cannot copy file \"" + ShownPath(source_text) + "\" onto itself");

  std::optional<File> target = File::OpenPath(target_path, File::Mode::CreateReplace);
  if (!target) Fail("Cannot create file", target_text, errno);

  std::array<char, 64 * 1024> buffer;
  std::uint64_t offset = 0;
  while (true) {
    const long long count = source->ReadAt(offset, buffer.data(), buffer.size());
    if (count < 0) Fail("Error reading file", source_text, errno);
    if (count == 0) break;
    if (!target->WriteAt(offset, buffer.data(), static_cast<std::size_t>(count)))
      Fail("Error writing file", target_text, errno);
    offset += static_cast<std::uint64_t>(count);
  }

  if (!target->SetModifiedTime(*source_time)) Fail("Error writing file", target_text, errno);
}

}  // namespace vantorel::platform
