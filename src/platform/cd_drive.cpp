#include "platform/cd_drive.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"

namespace vantorel::platform {

namespace fs = std::filesystem;

namespace {

const MountTable* installed_table = nullptr;

// Format note: fields of a mount table escape blank, tab, newline and backslash as "\" plus
// three octal digits.
std::string Unescape(std::string_view field) {
  std::string result;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string_view digits = field.substr(i + 1, 3);
      if (digits.find_first_not_of("01234567") == std::string_view::npos) {
        result += static_cast<char>((digits[0] - '0') * 64 + (digits[1] - '0') * 8 + (digits[2] - '0'));
        i += 3;
        continue;
      }
    }
    result += field[i];
  }
  return result;
}

std::vector<MountEntry> ReadTable(const fs::path& file) {
  std::vector<MountEntry> entries;
  std::istringstream in(ReadFileAt(file).value_or(std::string()));
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    std::istringstream fields(line);
    std::string device, mount_point, type;
    if (!(fields >> device >> mount_point >> type)) continue;
    mount_point = Unescape(mount_point);
    while (mount_point.size() > 1 && mount_point.back() == '/') mount_point.pop_back();
    entries.push_back({Unescape(device), mount_point, type});
  }
  return entries;
}

// True when path is root or lies below it (whole components compared).
bool LiesUnder(const fs::path& path, const fs::path& root) {
  auto p = path.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++p) {
    if (r->empty()) continue;  // the empty last component of a root with a trailing "/"
    if (p == path.end() || *p != *r) return false;
  }
  return true;
}

fs::path Normal(const fs::path& path) {
  fs::path normal = path.lexically_normal();
  if (normal.has_relative_path() && normal.filename().empty()) normal = normal.parent_path();
  return normal;
}

bool IsAbsolutePathText(std::string_view path) {
  return !path.empty() && (path.front() == '/' || path.front() == '\\');
}

// The CD-ROM drive a path lies on.
struct Drive {
  fs::path root;     // its mount point or the CdPath folder
  bool optical;      // an optical device's mount point (must be mounted to hold a disc)
  std::string name;  // what the user is told
};

// True when root is a mount point mounted now from something other than an optical drive (a
// CdPath setting left pointing at a mounted image).
bool IsMountedOtherThanOptical(const fs::path& root) {
  for (const MountEntry& entry : CurrentMountTable().Mounted())
    if (Normal(fs::path(entry.mount_point)) == root) return !IsOpticalEntry(entry);
  return false;
}

std::optional<Drive> DriveOf(std::string_view path_text, std::string_view cd_path) {
  if (!IsAbsolutePathText(path_text)) return std::nullopt;
  const fs::path path = Normal(ResolvePath(path_text));
  const MountTable& table = CurrentMountTable();
  for (const auto& entries : {table.Mounted(), table.Configured()}) {
    for (const MountEntry& entry : entries) {
      if (!IsOpticalEntry(entry)) continue;
      const fs::path root = Normal(fs::path(entry.mount_point));
      if (LiesUnder(path, root)) return Drive{root, true, PathText(root)};
    }
  }
  if (IsAbsolutePathText(cd_path)) {
    const fs::path root = Normal(ResolvePath(cd_path));
    if (LiesUnder(path, root) && !IsMountedOtherThanOptical(root))
      return Drive{root, false, PathText(root)};
  }
  return std::nullopt;
}

bool IsMounted(const fs::path& root) {
  for (const MountEntry& entry : CurrentMountTable().Mounted())
    if (Normal(fs::path(entry.mount_point)) == root) return true;
  return false;
}

}  // namespace

std::vector<MountEntry> MountTableFiles::Mounted() const { return ReadTable(mounted_); }
std::vector<MountEntry> MountTableFiles::Configured() const { return ReadTable(configured_); }

const MountTable& CurrentMountTable() {
  static const MountTableFiles system_table("/proc/mounts", "/etc/fstab");
  return installed_table != nullptr ? *installed_table : system_table;
}

const MountTable* SetMountTable(const MountTable* table) {
  const MountTable* previous = installed_table;
  installed_table = table;
  return previous;
}

bool IsOpticalEntry(const MountEntry& entry) {
  const std::string_view device = entry.device;
  for (const char* drive : {"/dev/sr", "/dev/scd", "/dev/cdrom", "/dev/dvd"})
    if (device.starts_with(drive)) return true;
  if (entry.type != "iso9660" && entry.type != "udf") return false;
  // A disc's file system counts only on a device that could be a drive: an image mounted
  // through a loop device, or named as a file, cannot be ejected and is never asked for.
  if (device.starts_with("/dev/loop")) return false;
  return device.starts_with("/dev/") || device.starts_with("UUID=") || device.starts_with("LABEL=");
}

std::string FirstCdDrive() {
  const MountTable& table = CurrentMountTable();
  for (const auto& entries : {table.Mounted(), table.Configured()}) {
    for (const MountEntry& entry : entries) {
      if (!IsOpticalEntry(entry)) continue;
      std::string root = PathText(fs::path(entry.mount_point));
      if (root.empty() || root.back() != '/') root += '/';
      return root;
    }
  }
  return {};
}

CdDriveChoices CdDriveChoicesFor(std::string_view cd_path) {
  CdDriveChoices choices;
  const MountTable& table = CurrentMountTable();
  for (const auto& entries : {table.Mounted(), table.Configured()}) {
    for (const MountEntry& entry : entries) {
      if (!IsOpticalEntry(entry)) continue;
      std::string root = PathText(entry.mount_point);
      if (root.empty() || root.back() != '/') root += '/';
      if (std::find(choices.drives.begin(), choices.drives.end(), root) == choices.drives.end())
        choices.drives.push_back(root);
    }
  }
  const auto same_drive = [&](const std::string& drive) { return core::SameTextNoCase(drive, cd_path); };
  if (!cd_path.empty() && std::none_of(choices.drives.begin(), choices.drives.end(), same_drive))
    choices.drives.insert(choices.drives.begin(), std::string(cd_path));
  const auto selected = std::find_if(choices.drives.begin(), choices.drives.end(), same_drive);
  if (selected != choices.drives.end())
    choices.selected = static_cast<std::size_t>(selected - choices.drives.begin());
  return choices;
}

bool IsCdDrive(std::string_view path, std::string_view cd_path) { return DriveOf(path, cd_path).has_value(); }

bool DiskInDrive(std::string_view path, std::string_view cd_path) {
  if (!IsAbsolutePathText(path)) throw DriveIdError();
  const std::optional<Drive> drive = DriveOf(path, cd_path);
  if (!drive) return true;
  return DirectoryReadableAt(drive->root) && (!drive->optical || IsMounted(drive->root));
}

std::string CdDriveName(std::string_view path, std::string_view cd_path) {
  const std::optional<Drive> drive = DriveOf(path, cd_path);
  return drive ? drive->name : std::string(path);
}

bool EnsureCdReady(std::string_view path, std::string_view cd_path) {
  if (!IsCdDrive(path, cd_path)) return true;
  const std::string prompt = "Please insert the Ostravel CD-ROM in drive " + CdDriveName(path, cd_path) +
                             " and\rclick Ok when the CD-ROM has loaded, or Cancel to abort";
  while (true) {
    if (!core::Confirm(prompt, core::Buttons::OkCancel)) return false;
    if (DiskInDrive(path, cd_path)) return true;
  }
}

}  // namespace vantorel::platform
