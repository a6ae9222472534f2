// The sort of an index build: fixed-size sort entries (a sort key followed by the record
// number, big-endian, so that memcmp order is key order and then record order), sorted in
// memory in runs of a bounded number of entries. When there is more than one run, each run
// is written sorted to a temporary file "KVP..." and the runs are merged; the temporary file
// is deleted when the sorter ends.
//
// A run is sorted by its distinct keys: equal keys are gathered through a hash table, the
// distinct keys are sorted, and the entries are placed behind their key in the order they
// came (which is record order). Catalogue keys repeat a lot, so this does far fewer key
// comparisons than sorting every entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/large_buffer.h"

namespace vantorel::tables {

class KeySorter {
 public:
  // key_size: bytes of the sort key; each entry is the key and a 4-byte big-endian record
  // number. max_run_entries: entries sorted in memory at once (at least 2); temp_dir: where
  // the temporary file goes (empty: $TMPDIR, else /tmp). first_of_each_key: a run keeps only
  // the first entry of each key (the caller still drops equal keys across runs).
  KeySorter(std::size_t key_size, std::size_t max_run_entries, std::string temp_dir,
            bool first_of_each_key);
  ~KeySorter();
  KeySorter(const KeySorter&) = delete;
  KeySorter& operator=(const KeySorter&) = delete;

  // Makes room in memory for entries entries at once (at most a run's), so that a caller
  // that knows how many keys come has them collected without the memory growing step by step.
  void Reserve(std::size_t entries);

  // Room for the next entry, key size + 4 bytes to be filled by the caller before the next
  // call. REQUIRES: Finish has not been called; record numbers ascend from call to call.
  char* Append();

  // Ends the input and sorts. Errors (EKvError): the operating-system code with "Error
  // requesting unique file name [UniqueFilename]" when the temporary file cannot be made;
  // 101 when writing it fails, 100 when reading it back fails; 217 when memory runs out.
  void Finish();

  // The entries in order, one per call; null after the last. REQUIRES: Finish was called.
  const char* Next();

  // Runs written to the temporary file (0 when everything was sorted in memory).
  std::size_t RunsWritten() const { return runs_.size(); }

 private:
  struct Run {
    std::uint64_t offset;      // first byte in the temporary file
    std::uint64_t remaining;   // entries not yet read into the buffer
    std::vector<char> buffer;  // entries read ahead
    std::size_t at = 0;        // next entry in buffer (byte offset)
  };

  // Gives memory_ room for entries entries, keeping those it holds.
  void Grow(std::size_t entries);
  // Sorts the entries in memory_ into order_.
  void SortMemory();
  // Writes the sorted memory run to the temporary file and empties memory.
  void SpillRun();
  // Refills a run's buffer; false when the run is exhausted.
  bool Refill(Run& run);
  const char* RunHead(const Run& run) const { return run.buffer.data() + run.at; }

  std::size_t key_size_;                      // bytes of the sort key
  std::size_t entry_size_;                    // bytes per entry: key and record number
  bool first_of_each_key_;                    // runs keep one entry per key
  std::size_t max_run_entries_;               // entries per run
  std::string temp_dir_;                      // folder of the temporary file
  platform::LargeBuffer memory_;              // the run being collected
  std::size_t capacity_ = 0;                  // entries memory_ has room for
  std::size_t count_ = 0;                     // entries in memory_
  std::vector<std::uint32_t> order_;          // memory_ entries in sorted order (a run's output)
  std::size_t next_ = 0;                      // next position in order_ (in-memory mode)
  std::optional<platform::File> temp_;        // the temporary file, none before it exists
  std::uint64_t temp_size_ = 0;               // bytes written to it
  std::vector<Run> runs_;                     // the runs in the temporary file
  std::vector<std::size_t> heap_;             // run indexes, a min-heap on their heads
  bool finished_ = false;                     // Finish was called
};

}  // namespace vantorel::tables
