// The indexes of a work area: up to 16 open NDX files, numbered 1, 2, ... in the order
// SetIndexTo named them, the controlling order (0 is natural record order), and the work
// area's login to its SemaphoreFile while the table is shared.
//
// The controlling index drives the work area's movement (GoTop, GoBottom, SKIP) through the
// RecordOrder hook of work_area.h: under an index, "first", "next", "prior" and "last" are
// the record numbers of the index entries in key order. Visibility (hidden deleted records,
// the filter) is applied by the work area's movement as in natural order.
//
// An index file is open in at most one work area of the process at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tables/work_area.h"

namespace vantorel::tables {

class NdxIndex;
class SemaphoreFile;

inline constexpr int kMaxIndexOrders = 16;

// SetIndexTo(names): closes every index of the work area, then opens each blank-separated
// name of the list as the next order (1, 2, ...) and makes order 1 controlling. An empty
// list leaves natural order.
//
// The list is left-trimmed, cut to 255 characters and normalised (letters upper-cased
// outside quotes, tabs turned into blanks, runs of blanks made one). Each name: as for
// MakeIndex ("NDX" added, relative names in the table's directory). After the last one the
// work area stands on the first visible record in order 1 (end of file when there is none),
// and every open index is synchronised to that record.
//
// Errors (EKvError), by step of opening one name as order n:
//   215 "Attempt to open " + name + " index file with no DBF file open. [SetIndexTo(<>," +
//       name + "," + n + ")]" when area is null
//   220 "Index Order parameter out of range [SetIndexTo(<>," + name + "," + n + ")]" for a
//       17th name
//   2   "Attempt to open " + name + " [SetIndexTo(...," + n + ")]" for a missing file
//   214 "Index file already open: " + name + ... when any work area has it open
//   1202 and the other SemaphoreFile errors when the login fails (a shared table logs in
//       before its first index is read)
//   the operating-system code with "Unable to open index: " + name
//   222 "Unable to open index: " + name for a file of less than 1024 bytes;
//       "Invalid dBASE key expression or corrupted index file " + name for a header whose
//       expression is empty, does not compile, or is not of type C, D, F or N, or whose key
//       length or entry size cannot be right
//   266 ":Incorrect key length: Must be 1 to 100.\n\rExpected Length= " + header key length
//       + the key of the blank record + " [SetIndexTo/OpenIndex]" when a C expression's
//       length differs from the header's
//   212 "Key: \"" + key + "\" not in index: " + name + ". [SyncIndex-1] Record: " + n, and
//       "Record with key: \"" + key + "\" not in index: " + name + ". [SyncIndex-2]" when
//       an index does not hold the current record
//   222 for damaged nodes (see NdxIndex)
// After an error the orders opened before it stay open (and so does an order 1 whose first
// key could not be read).
void SetIndexTo(WorkArea* area, std::string_view names);

// SetIndexTo with the names passed apart, each a whole index file specification (a blank in it
// is part of its path): what SetIndexTo does after splitting its list.
void SetIndexToFiles(WorkArea* area, const std::vector<std::string>& names);

// Opens one index file as order (1..16), closing what that slot held; the first order opened
// positions the work area on the first visible record in its order. The controlling order
// is not changed (SetIndexTo selects order 1 after its list). Errors as SetIndexTo.
void OpenIndex(WorkArea* area, std::string_view name, int order);

// Makes order (0..16) the controlling order; 0 is natural order. An order that holds no
// open index is error 221 "Index not open. (DBF=" + table + ")". The record does not move.
void SetControllingOrder(WorkArea& area, int order);

// The controlling order: 0 for natural order.
int ControllingOrder(const WorkArea& area);

// The open index of order (1..16), or null.
const NdxIndex* IndexOfOrder(const WorkArea& area, int order);

// Closes every index of the work area; natural order controls. The semaphore login stays
// until the table is closed.
void CloseIndexes(WorkArea& area);

// Find(key) on the controlling index: the first visible record, in key order, whose key
// matches. C keys: the key text (cut to the key length, converted to OEM for an OEM table)
// must begin the index key. D keys: the trimmed text read as a date (MM/DD/YYYY). N and F
// keys: the text read as a decimal number, equal to the key.
// Found: the record is current (EOF and BOF cleared), true. Not found: end of file (record
// number RecCount + 1, blank record), false. An empty key is false without moving.
// Errors: 254 "Cannot use Find() with index order 0 (natural order) [Find]" with indexes
// open but none controlling; 221 "Index not open. (DBF=" + table + ")" with none open;
// 222 for damaged nodes.
bool Find(WorkArea& area, std::string_view key);

// Find with exact matching: a C key text is padded with blanks to the key length and the
// whole key must be equal.
bool FindExact(WorkArea& area, std::string_view key);

// What a work area holds besides its table: the order slots and the semaphore login. It
// lives inside the WorkArea (created when the first index is opened) and goes with it.
class IndexOrders {
 public:
  explicit IndexOrders(WorkArea& area);
  // Closes every index and logs out of the SemaphoreFile; a logout failure goes to
  // ErrorReport.
  ~IndexOrders();
  IndexOrders(const IndexOrders&) = delete;
  IndexOrders& operator=(const IndexOrders&) = delete;

  // The index of order (1..16), or null.
  NdxIndex* At(int order) const;
  int Controlling() const { return controlling_; }
  // REQUIRES: order is 0 or holds an open index.
  void SetControlling(int order);
  // Opens name as order, as OpenIndex describes.
  void Open(std::string_view name, int order);
  // Closes the index of order (nothing when the slot is empty).
  void Close(int order);
  void CloseAll();
  // Moves every open index to the work area's current record (SyncIndex), or to its end of
  // file when the work area is at end of file.
  void SyncAll();

 private:
  WorkArea& area_;                                               // the owner
  std::array<std::unique_ptr<NdxIndex>, kMaxIndexOrders> slots_;  // order n at n - 1
  int controlling_ = 0;                                          // 0: natural order
  std::unique_ptr<SemaphoreFile> semaphore_;                     // logged in while set
};

}  // namespace vantorel::tables
