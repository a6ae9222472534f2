#include "platform/cd_drive.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "program_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::platform {
namespace {

using core::Answer;
using core::BoxKind;
using core::Buttons;
using testing::ScriptedUi;
using testing::TempDir;

// A machine with a hard disk, a CD-ROM drive at <tmp>/cdrom (configured in fstab, mounted
// only when a test says the disc is in) and a folder <tmp>/hd.
class CdDriveTest : public ::testing::Test {
 protected:
  CdDriveTest() {
    previous_ = SetMountTable(nullptr);
    dir_.Write("cdrom/README.TXT", "on the disc");
    dir_.Write("hd/file.txt", "");
    cdrom_ = PathText(dir_.path() / "cdrom");
    hd_ = PathText(dir_.path() / "hd");
    fstab_ = dir_.Write("fstab", "# static file systems\n/dev/sda1 / ext4 defaults 0 1\n"
                                 "/dev/sr0 " + MountTableField(cdrom_) +
                                 " udf,iso9660 user,noauto 0 0\n");
    SetDisc(false);
  }
  ~CdDriveTest() override { SetMountTable(previous_); }

  void SetDisc(bool in) {
    std::string mounts = "/dev/sda1 / ext4 rw 0 0\nproc /proc proc rw 0 0\n";
    if (in) mounts += "/dev/sr0 " + MountTableField(cdrom_) + " iso9660 ro 0 0\n";
    mounts_ = dir_.Write("mounts", mounts);
    table_ = std::make_unique<MountTableFiles>(mounts_, fstab_);
    SetMountTable(table_.get());
  }

  std::string Prompt() const {
    return "Please insert the Ostravel CD-ROM in drive " + cdrom_ +
           " and\rclick Ok when the CD-ROM has loaded, or Cancel to abort";
  }

  TempDir dir_;
  std::string cdrom_, hd_;
  std::string cd_path_;  // the CdPath setting the calls are given
  std::filesystem::path mounts_, fstab_;
  std::unique_ptr<MountTableFiles> table_;
  const MountTable* previous_ = nullptr;
};

TEST_F(CdDriveTest, ReadsMountTablesWithEscapesAndComments) {
  TempDir dir;
  const MountTableFiles table(dir.Write("m", "# comment\n\n/dev/sr0 /media/My\\040Disc iso9660 ro 0 0\n"
                                             "bad-line\n/dev/sdb1 /mnt/usb/ vfat rw 0 0\n"),
                              dir.path() / "missing");
  EXPECT_EQ(table.Mounted(), (std::vector<MountEntry>{{"/dev/sr0", "/media/My Disc", "iso9660"},
                                                      {"/dev/sdb1", "/mnt/usb", "vfat"}}));
  EXPECT_TRUE(table.Configured().empty());
}

TEST_F(CdDriveTest, RecognisesOpticalDrives) {
  struct Case {
    MountEntry entry;
    bool optical;
  };
  const Case cases[] = {
      {{"/dev/sr1", "/m", "auto"}, true},
      {{"/dev/scd0", "/m", "iso9660"}, true},
      {{"/dev/cdrom", "/m", "auto"}, true},
      {{"/dev/dvd", "/m", "udf"}, true},
      {{"/dev/sdb", "/m", "iso9660"}, true},  // a drive on another bus
      {{"UUID=2001-01-01-00-00-00-00", "/m", "iso9660"}, true},
      {{"LABEL=OSTRAVEL", "/m", "udf"}, true},
      // An image mounted through a loop device, or named in fstab as a file: no drive.
      {{"/dev/loop0", "/m", "iso9660"}, false},
      {{"/dev/loop12", "/m", "udf"}, false},
      {{"/home/ann/ostravel.iso", "/m", "iso9660"}, false},
      {{"fuseiso", "/m", "fuse.fuseiso"}, false},
      {{"/dev/sda1", "/", "ext4"}, false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsOpticalEntry(c.entry), c.optical) << c.entry.device;
}

// An archive on a mounted ISO image is read without a CD-ROM prompt, also when the CdPath
// setting names the image's mount point (as a first run on that machine may have stored it).
TEST_F(CdDriveTest, AnImageMountedThroughALoopDeviceIsNeverAskedFor) {
  const std::string image = PathText(dir_.path() / "image");
  dir_.Write("image/PDF/0012.PDF", "%PDF");
  const MountTableFiles mounted(dir_.Write("image-mounts", "/dev/sda1 / ext4 rw 0 0\n/dev/loop3 " + MountTableField(image) +
                                                               " iso9660 ro,relatime 0 0\n"),
                                dir_.Write("image-fstab", "/srv/ostravel.iso " + MountTableField(image) + " iso9660 loop,ro 0 0\n"));
  SetMountTable(&mounted);
  EXPECT_EQ(FirstCdDrive(), "");
  cd_path_ = image + "/";
  ScriptedUi ui;
  EXPECT_FALSE(IsCdDrive(image + "/PDF/0012.PDF", cd_path_));
  EXPECT_TRUE(EnsureCdReady(image + "/PDF/0012.PDF", cd_path_));
  EXPECT_TRUE(DiskInDrive(image + "/PDF/0012.PDF", cd_path_));
  EXPECT_TRUE(ui.boxes.empty());
  SetMountTable(table_.get());
}

TEST_F(CdDriveTest, FirstCdDrivePrefersMountedDrives) {
  EXPECT_EQ(FirstCdDrive(), cdrom_ + "/");
  TempDir dir;
  const MountTableFiles two(dir.Write("m", "/dev/sda1 / ext4 rw 0 0\n/dev/sr1 /media/e iso9660 ro 0 0\n"
                                           "/dev/sr2 /media/g udf ro 0 0\n"),
                            fstab_);
  SetMountTable(&two);
  EXPECT_EQ(FirstCdDrive(), "/media/e/");
  const MountTableFiles none(dir.Write("n", "/dev/sda1 / ext4 rw 0 0\n"), dir.path() / "x");
  SetMountTable(&none);
  EXPECT_EQ(FirstCdDrive(), "");
}

// The Options dialog's drive list: the optical drives once each (mounted first), the setting
// put first when it is none of them, and the setting's place when it is one.
TEST_F(CdDriveTest, CdDriveChoicesListTheDrivesAndTheSetting) {
  TempDir dir;
  const MountTableFiles two(dir.Write("m", "/dev/sda1 / ext4 rw 0 0\n/dev/sr1 /media/e iso9660 ro 0 0\n"),
                            dir.Write("f", "/dev/sr0 /media/d udf 0 0\n/dev/sr1 /media/e iso9660 0 0\n"));
  SetMountTable(&two);
  const struct {
    const char* cd_path;
    std::vector<std::string> drives;
    std::optional<std::size_t> selected;
  } cases[] = {
      {"", {"/media/e/", "/media/d/"}, std::nullopt},
      {"/MEDIA/D/", {"/media/e/", "/media/d/"}, 1},
      {"/mnt/cd/", {"/mnt/cd/", "/media/e/", "/media/d/"}, 0},
  };
  for (const auto& c : cases) {
    const CdDriveChoices choices = CdDriveChoicesFor(c.cd_path);
    EXPECT_EQ(choices.drives, c.drives) << c.cd_path;
    EXPECT_EQ(choices.selected, c.selected) << c.cd_path;
  }
}

TEST_F(CdDriveTest, TellsWhichPathsLieOnTheCdRomDrive) {
  EXPECT_TRUE(IsCdDrive(cdrom_ + "/README.TXT", cd_path_));
  EXPECT_TRUE(IsCdDrive(cdrom_, cd_path_));
  EXPECT_TRUE(IsCdDrive(cdrom_ + "\\BONUS\\SETUP.EXE", cd_path_));
  EXPECT_FALSE(IsCdDrive(cdrom_ + "2/file", cd_path_));  // a sibling whose name starts alike
  EXPECT_FALSE(IsCdDrive(hd_ + "/file.txt", cd_path_));
  EXPECT_FALSE(IsCdDrive("", cd_path_));
  EXPECT_FALSE(IsCdDrive("5", cd_path_));

  cd_path_ = hd_ + "/";
  EXPECT_TRUE(IsCdDrive(hd_ + "/file.txt", cd_path_));
}

TEST_F(CdDriveTest, DiskInDriveNeedsTheDriveMounted) {
  EXPECT_FALSE(DiskInDrive(cdrom_ + "/README.TXT", cd_path_));
  SetDisc(true);
  EXPECT_TRUE(DiskInDrive(cdrom_ + "/README.TXT", cd_path_));
  EXPECT_TRUE(DiskInDrive(hd_, cd_path_));
}

TEST_F(CdDriveTest, DiskInDriveRejectsWhatNamesNoDrive) {
  for (const char* bad : {"", "5", "relative/path"}) {
    try {
      DiskInDrive(bad, cd_path_);
      ADD_FAILURE() << "no error for \"" << bad << '"';
    } catch (const DriveIdError& error) {
      EXPECT_STREQ(error.what(), "Not a valid drive ID");
    }
  }
}

TEST_F(CdDriveTest, EnsureCdReadyDoesNotAskForAHardDiskPath) {
  ScriptedUi ui;
  EXPECT_TRUE(EnsureCdReady(hd_ + "/file.txt", cd_path_));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CdDriveTest, EnsureCdReadyAsksOnceEvenWithTheDiscIn) {
  SetDisc(true);
  ScriptedUi ui;
  ui.Expect(BoxKind::Confirmation, Prompt(), Buttons::OkCancel, Answer::Ok);
  EXPECT_TRUE(EnsureCdReady(cdrom_ + "/README.TXT", cd_path_));
}

TEST_F(CdDriveTest, EnsureCdReadyKeepsAskingUntilCancel) {
  ScriptedUi ui;
  ui.Expect(BoxKind::Confirmation, Prompt(), Buttons::OkCancel, Answer::Ok)
      .Expect(BoxKind::Confirmation, Prompt(), Buttons::OkCancel, Answer::Ok)
      .Expect(BoxKind::Confirmation, Prompt(), Buttons::OkCancel, Answer::Cancel);
  EXPECT_FALSE(EnsureCdReady(cdrom_ + "/README.TXT", cd_path_));
}

// A Ui whose user puts the disc in before pressing OK the second time.
class InsertingUi : public ScriptedUi {
 public:
  explicit InsertingUi(std::function<void()> insert) : insert_(std::move(insert)) {}
  core::Answer Show(const core::MessageBox& box) override {
    const core::Answer answer = ScriptedUi::Show(box);
    if (boxes.size() == 2) insert_();
    return answer;
  }

 private:
  std::function<void()> insert_;  // puts the disc in
};

TEST_F(CdDriveTest, EnsureCdReadyGoesOnOnceTheDiscIsIn) {
  InsertingUi ui([this] { SetDisc(true); });
  ui.Expect(BoxKind::Confirmation, Prompt(), Buttons::OkCancel, Answer::Ok)
      .Expect(BoxKind::Confirmation, Prompt(), Buttons::OkCancel, Answer::Ok);
  EXPECT_TRUE(EnsureCdReady(cdrom_ + "/README.TXT", cd_path_));
}

}  // namespace
}  // namespace vantorel::platform
