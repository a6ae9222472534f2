// The CD-ROM drive: which mount point is one, whether its disc is in, and the prompt that asks
// the user to insert the disc.
//
// A drive here is a mount point. A CD-ROM drive is a mount point of an optical device: device
// /dev/sr*, /dev/scd*, /dev/cdrom* or /dev/dvd*, or file system iso9660 or udf on a device that
// could be a drive (a /dev/ name other than a loop device, or an fstab UUID= or LABEL=). An
// ISO image mounted through a loop device or named as a file is no drive: it cannot be
// ejected, so it is never asked for. The mounted file systems and the
// configured ones (fstab, which names a drive's mount point even while no disc is in) come
// from a MountTable, so tests can give fixed tables.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::platform {

// One line of a mount table.
struct MountEntry {
  std::string device;       // "/dev/sr0"
  std::string mount_point;  // real path of the mount point, without a trailing "/"
  std::string type;         // "iso9660"

  bool operator==(const MountEntry&) const = default;
};

class MountTable {
 public:
  virtual ~MountTable() = default;
  // File systems mounted now, in the table's order.
  virtual std::vector<MountEntry> Mounted() const = 0;
  // File systems configured to be mounted (their mount points exist without a disc).
  virtual std::vector<MountEntry> Configured() const = 0;
};

// A mount table read from two files in the fstab format ("device mount-point type options
// dump pass", "#" comments, octal escapes such as "\040" for a blank). A missing file is an
// empty table.
class MountTableFiles : public MountTable {
 public:
  MountTableFiles(std::filesystem::path mounted, std::filesystem::path configured)
      : mounted_(std::move(mounted)), configured_(std::move(configured)) {}
  std::vector<MountEntry> Mounted() const override;
  std::vector<MountEntry> Configured() const override;

 private:
  std::filesystem::path mounted_;     // "/proc/mounts" for the system
  std::filesystem::path configured_;  // "/etc/fstab" for the system
};

// The process's mount table: the system's (/proc/mounts, /etc/fstab) unless one was set.
const MountTable& CurrentMountTable();
// Installs table (null: the system's again) and returns the previous one set. The caller keeps
// table alive while it is installed.
const MountTable* SetMountTable(const MountTable* table);

// True when the entry is an optical drive.
bool IsOpticalEntry(const MountEntry& entry);

// The root of the first CD-ROM drive, with a trailing "/": the first optical file system
// mounted now, else the first configured one; empty when there is none.
std::string FirstCdDrive();

// What the Options dialog offers as CD-ROM drives: every optical drive of the mount tables
// (mounted ones first, then configured ones) as a root ending in "/", each once; before them
// cd_path (the CdPath setting) when it is not empty and none of them (compared without regard
// to the case of a-z). selected: the index of cd_path among the drives; none for an empty
// cd_path.
struct CdDriveChoices {
  std::vector<std::string> drives;
  std::optional<std::size_t> selected;
};
CdDriveChoices CdDriveChoicesFor(std::string_view cd_path);

// "Not a valid drive ID": what was given cannot name a drive (not an absolute path).
class DriveIdError : public std::runtime_error {
 public:
  DriveIdError() : std::runtime_error("Not a valid drive ID") {}
};

// True when the path lies on a CD-ROM drive: under an optical mount point (mounted or
// configured) or under cd_path (the CdPath setting), unless cd_path is mounted now from
// something that is no optical drive. False for a path that names no drive.
bool IsCdDrive(std::string_view path, std::string_view cd_path);

// True when the CD-ROM drive the path lies on holds a readable disc: its root can be listed
// and, for an optical mount point, is mounted now. True for a path on no CD-ROM drive (a hard
// disk is always there). Throws DriveIdError when the path is empty or not absolute. cd_path:
// the CdPath setting, as for IsCdDrive.
bool DiskInDrive(std::string_view path, std::string_view cd_path);

// The mount point text the path's CD-ROM drive is known by (cd_path, the CdPath setting, or
// the optical mount point the path lies under), for the prompt; the path itself when none.
std::string CdDriveName(std::string_view path, std::string_view cd_path);

// Makes sure the disc is in before the caller reads from path (cd_path: the CdPath setting, as
// for IsCdDrive). A path not on a CD-ROM drive:
// true at once. Otherwise the confirmation "Please insert the Ostravel CD-ROM in drive " +
// the drive + " and\rclick Ok when the CD-ROM has loaded, or Cancel to abort" (OK/Cancel) is
// shown at least once and again after every OK while the disc is missing; Cancel gives false.
bool EnsureCdReady(std::string_view path, std::string_view cd_path);

}  // namespace vantorel::platform
