// KvUnZip: reads the directory of a ZIP archive and extracts its entries into a destination
// directory. Only reading: archives are never written or changed.
//
// Archives of any size are read: ZIP64 end records and extra fields (64-bit sizes and offsets,
// more than 65,535 entries), names in UTF-8 (flag bit 11, the Unicode path extra field, names
// made on Unix) or OEM 437, data in front of the archive (a self-extracting stub), and the
// extended timestamp's UTC modification time.
//
// Lifecycle: no archive -> named (SetZipName) -> loaded (LoadDirectory, or the first Extract)
// -> extracting (Extract) -> loaded. A loaded directory is read again when the archive file's
// modification time has changed. The archive stream is open only during an operation unless
// KeepZipOpen is set.
//
// Not re-entrant: no operation may be started from an event handler or from ProcessMessages
// while one runs. Errors are exceptions of archive_errors.h carrying the user's message. Boxes
// and file and folder requests go through the process's core::Ui.
//
// Never a damaged file: each entry is written to a temporary file in its target's folder and
// renamed into place only when its size and CRC match the archive's; an entry that fails, is
// cancelled or cut short leaves nothing, and an existing file agreed to be replaced stays as it
// was until its replacement is complete. Names that differ only in case are different files
// (TargetResolver).
//
// Every file lands inside DestDir: an entry whose stored path has a ".." component, or whose
// target would lie outside DestDir once symbolic links are followed, is skipped (UnsafePath).
// No symbolic link is ever created; an existing file or link at a target is replaced by a new
// file, never written through.
//
// Not built: multi-volume archives, the ".zfc" companion directory, the local-header rebuild
// of damaged archives, sort views other than ByNone, passwords (encrypted entries are skipped),
// extraction into memory.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_stream.h"
#include "archive/sorted_zip.h"
#include "archive/zip_records.h"

namespace vantorel::archive {

enum class ZipSortMode { ByNone };

// What to do when a target file exists.
enum class UZOverwriteMode {
  Prompt,   // OnPromptForOverwrite, else a Yes/No box "Replace existing file NAME?"
  Always,
  Never,
  ifNewer,  // overwrite when the entry's date-time is later than the file's
  ifOlder,  // overwrite when it is earlier
};

// How an archive without an end record is taken.
enum class IncompleteZipMode {
  izAssumeMulti,    // the missing end record is on another volume: LoadDirectory gives an empty
                    // list, Extract raises "Incomplete Zip File"
  izAssumeNotAZip,  // not an archive: "Not a valid zip file!"
};

// Why an entry was skipped (OnSkippingFile).
enum class SkipReason {
  FileExists,    // the target exists and the overwrite policy kept it
  Encrypted,     // the entry needs a password, which the program never has
  CannotCreate,  // the target file could not be created
  UnsafePath,    // the stored path has a ".." component or leads outside DestDir
  UnknownMethod, // no decoder for the entry's compression method
  DamagedData,   // the decoded data does not match the entry's size or CRC (OnBadCRC)
};

// An entry of the last Extract that was not written.
struct SkippedEntry {
  int index;          // in the entry list
  SkipReason reason;
  std::string fname;  // the target path text
};

class OutputFile;

class KvUnZip {
 public:
  KvUnZip() = default;
  // Performs CloseArchive.
  ~KvUnZip();
  KvUnZip(const KvUnZip&) = delete;
  KvUnZip& operator=(const KvUnZip&) = delete;

  // --- The archive and its directory ---

  const std::string& ZipName() const { return zip_name_; }
  // The current name changes nothing (one differing in letter case is another file). A name ending in "?" first
  // asks the Ui for a file ("Open a Zip File", starting in the name's folder when it exists);
  // cancelling throws EUserCanceled "User canceled setting zip file name.". Otherwise drops the
  // directory, resets the end record, closes the archive and stores the name; nothing is read.
  void SetZipName(std::string_view name);

  // Opens the archive and reads its directory, with the busy cursor. An archive without an end
  // record leaves the list empty (izAssumeMulti) or throws ENotAZipFile. Throws EFOpenError
  // "Cannot open file NAME", EBadZipFile "Not a valid zip file!" or EListError; after any of
  // those the component is in the no-archive state (CloseArchive).
  void LoadDirectory();

  // Entries in the list; 0 before a directory was read or when the archive has no end record.
  int EntryCount() const { return static_cast<int>(entries_.Count()); }
  // The entry at index of the list. Throw EListError "Index %d is out of range" with the index
  // unless 0 <= index < EntryCount. Names are UTF-8 (Entry names decoding).
  std::string EntryFileName(int index) const { return Entry(index).file_name; }
  // The stored directory with "\" separators and a trailing "\", or empty.
  std::string EntryPathName(int index) const { return Entry(index).path; }
  std::uint64_t EntryCompressedSize(int index) const { return Entry(index).compressed_size; }
  std::uint64_t EntryUncompressedSize(int index) const { return Entry(index).uncompressed_size; }
  const ZipHeaderInfo& Entry(int index) const;
  // The end record read with the directory; its leading_bytes tell of data in front of the
  // archive (a self-extracting stub), which the reader skips.
  const EndCentral& EndCentralRecord() const { return end_central_; }

  // Closes the archive even with KeepZipOpen, drops the directory, resets the end record and
  // the recorded time, and clears ZipName.
  void CloseArchive();

  // --- Extraction ---

  // Extracts the selected entries (all with DoAll) into DestDir and returns the number of files
  // written with a matching CRC. Reads the directory first when it is not loaded or the archive
  // changed. Throws the errors of LoadDirectory, EIncompleteZip "Incomplete Zip File" for an
  // archive without an end record, ECannotWrite when DestDir cannot be created or written
  // (before any entry is looked at), EFatalUnzipError "Premature end of file reached",
  // EUserCanceled "User Aborted Operation" and EWriteError; files finished before stay, the
  // entry being written leaves nothing.
  int Extract();
  // The entries the last Extract did not write, in list order (directory entries only when
  // their path was unsafe).
  const std::vector<SkippedEntry>& Skipped() const { return skipped_; }

  // Sets the cancel flag: the running operation stops with "User Aborted Operation" before its
  // next input block.
  void Cancel() { cancel_ = true; }
  bool Busy() const { return busy_; }

  // --- Properties ---

  // Stored without one trailing "\" (or "/"). The value "?" asks the Ui for a folder instead
  // ("Select Destination Directory", starting in the current DestDir when it exists, else in
  // the current directory); cancelling throws EUserCanceled "User canceled Set Desination
  // Directory" and keeps DestDir.
  const std::string& DestDir() const { return dest_dir_; }
  void SetDestDir(std::string_view dir);
  // Stored with a trailing "\" added when missing; empty clears it.
  const std::string& RootDir() const { return root_dir_; }
  void SetRootDir(std::string_view dir);

  ZipSortMode SortMode() const { return sort_mode_; }
  void SetSortMode(ZipSortMode mode) { sort_mode_ = mode; }
  bool RecreateDirs() const { return recreate_dirs_; }
  void SetRecreateDirs(bool on) { recreate_dirs_ = on; }
  UZOverwriteMode OverwriteMode() const { return overwrite_mode_; }
  void SetOverwriteMode(UZOverwriteMode mode) { overwrite_mode_ = mode; }
  // Wildcard patterns ("*", "?") matched against path plus name, both in lower case. Cleared
  // at the end of every Extract.
  std::vector<std::string>& FilesList() { return files_list_; }
  bool DoAll() const { return do_all_; }
  void SetDoAll(bool on) { do_all_ = on; }
  IncompleteZipMode GetIncompleteZipMode() const { return incomplete_zip_mode_; }
  void SetIncompleteZipMode(IncompleteZipMode mode) { incomplete_zip_mode_ = mode; }
  bool KeepZipOpen() const { return keep_zip_open_; }
  void SetKeepZipOpen(bool on) { keep_zip_open_ = on; }
  bool DoProcessMessages() const { return do_process_messages_; }
  void SetDoProcessMessages(bool on) { do_process_messages_ = on; }
  bool RetainAttributes() const { return retain_attributes_; }
  void SetRetainAttributes(bool on) { retain_attributes_ = on; }
  bool ReplaceReadOnly() const { return replace_read_only_; }
  void SetReplaceReadOnly(bool on) { replace_read_only_ = on; }
  bool FlushFilesOnClose() const { return flush_files_on_close_; }
  void SetFlushFilesOnClose(bool on) { flush_files_on_close_ = on; }

  // --- Events (all optional) ---

  // Before the first entry: the files to extract and their bytes; stop_now ends the run.
  std::function<void(int num_files, std::int64_t total_bytes, bool& stop_now)> OnStartUnZipInfo;
  // Before a file is written: fname is the target path text and may be changed; skip ends the
  // entry.
  std::function<void(int file_index, std::string& fname, bool& skip)> OnStartUnZip;
  // A file was written with a matching CRC.
  std::function<void(int file_index, const std::string& fname)> OnEndUnZip;
  // After every output block: the entry's and the run's percentage (0 to 100).
  std::function<void(int percent)> OnFilePercentDone;
  std::function<void(int percent)> OnTotalPercentDone;
  // The target exists under Prompt: set overwrite_it to replace it (it starts false); fname may
  // be changed.
  std::function<void(bool& overwrite_it, int file_index, std::string& fname)> OnPromptForOverwrite;
  // An entry was skipped (all reasons but DamagedData, which OnBadCRC reports).
  std::function<void(SkipReason reason, const std::string& fname, int file_index)> OnSkippingFile;
  // The decoded data did not match the entry's stored CRC or size; nothing was written.
  std::function<void(std::uint32_t calc_crc, std::uint32_t stored_crc, int file_index)> OnBadCRC;
  // At the end of every run, also after an error: the files extracted.
  std::function<void(int file_count)> OnUnZipComplete;
  // The GUI's message processing, run before every input block while DoProcessMessages is on.
  std::function<void()> ProcessMessages;

 private:
  struct RunState;

  ArchiveStream& OpenArchive();
  void ReadDirectory();
  void CloseStreamUnlessKept();
  void DropDirectory();

  // Where one file entry goes.
  struct Target {
    std::string fname;           // the target path text, as the events see and change it
    std::filesystem::path path;  // the real path it resolves to
    bool fresh = false;          // path's folder holds only what this run put there
    bool read_only = false;      // an existing file there is read-only
    bool replaces = false;       // a file or link is there (not a directory)
  };
  // What writing an entry's data gave.
  struct WrittenData {
    bool decoded;        // false when no decoder knows the method
    std::uint32_t crc;   // CRC-32 of the bytes written
    std::uint64_t size;  // bytes written
    bool complete;       // false when the data ran past the entry's uncompressed size
  };

  // Extracts entry index of the list: the steps below, in order.
  void ExtractEntry(int index, RunState& run);
  void RecreateDirectory(int index, const ZipHeaderInfo& entry, RunState& run);
  // nullopt when the entry ends here (skipped, or skipped by OnStartUnZip).
  std::optional<Target> ChooseTarget(int index, const ZipHeaderInfo& entry, RunState& run);
  // OnStartUnZip; false when it skips the entry. A changed fname is resolved again.
  bool AnnounceTarget(int index, const ZipHeaderInfo& entry, Target& target, RunState& run);
  // The overwrite policy for an existing target; false when the entry is skipped. A changed
  // fname is resolved again.
  bool ReplaceExisting(int index, Target& target, RunState& run);
  bool MayOverwrite(int index, std::string& fname);
  // nullopt when the file cannot be created.
  std::optional<OutputFile> CreateTargetFile(const ZipHeaderInfo& entry, const Target& target) const;
  WrittenData WriteEntryData(const ZipHeaderInfo& entry, std::uint64_t data_offset,
                             OutputFile& file, RunState& run);
  // True when the data matches the entry's size and CRC.
  bool DataChecks(int index, const ZipHeaderInfo& entry, const WrittenData& written);
  // Dates the file and, with RetainAttributes, makes it read-only as the entry says; then
  // renames it into place. False when it cannot be put there.
  bool PutInPlace(const ZipHeaderInfo& entry, const Target& target, OutputFile& file,
                  RunState& run) const;
  // Creates DestDir when missing and sets up the run's guard and resolver. 0 when DestDir can
  // take files, else the errno telling why not.
  int PrepareDestination(RunState& run);
  void SkipEntry(SkipReason reason, const std::string& fname, int index, RunState& run,
                 bool tell = true);
  void BeforeInputBlock();

  std::string zip_name_;
  std::string dest_dir_;
  std::string root_dir_;
  ZipSortMode sort_mode_ = ZipSortMode::ByNone;
  bool recreate_dirs_ = false;
  UZOverwriteMode overwrite_mode_ = UZOverwriteMode::Prompt;
  std::vector<std::string> files_list_;
  bool do_all_ = false;
  IncompleteZipMode incomplete_zip_mode_ = IncompleteZipMode::izAssumeMulti;
  bool keep_zip_open_ = false;
  bool do_process_messages_ = true;
  bool retain_attributes_ = true;
  bool replace_read_only_ = false;
  bool flush_files_on_close_ = false;

  SortedZip entries_;                         // the ByNone list, also the view
  EndCentral end_central_;
  bool directory_loaded_ = false;             // entries_ and end_central_ hold a directory read
  std::optional<std::timespec> archive_time_; // the archive's modification time when read
  std::optional<ArchiveStream> archive_;      // the open archive, or none
  bool busy_ = false;
  bool cancel_ = false;
  std::vector<SkippedEntry> skipped_;         // of the last Extract
};

}  // namespace vantorel::archive
