#include "tables/ndx_orders.h"

#include "platform/file_system.h"
#include "tables/kv_error.h"
#include "tables/ndx_index.h"
#include "tables/ndx_names.h"
#include "tables/semaphore_file.h"

namespace vantorel::tables {

namespace {

std::string SetIndexToSuffix(const std::string& name, int order) {
  return " [SetIndexTo(<>," + name + "," + std::to_string(order) + ")]";
}

IndexOrders& OrdersOf(WorkArea& area) {
  if (!area.Indexes()) area.SetIndexes(std::make_unique<IndexOrders>(area));
  return *area.Indexes();
}

bool AnyIndexOpen(const IndexOrders* orders) {
  if (!orders) return false;
  for (int n = 1; n <= kMaxIndexOrders; ++n)
    if (orders->At(n)) return true;
  return false;
}

// The controlling index for Find; errors 221 and 254.
NdxIndex& FindIndex(WorkArea& area) {
  IndexOrders* orders = area.Indexes();
  if (!AnyIndexOpen(orders)) throw EKvError(221, "Index not open. (DBF=" + area.FileName() + ")");
  if (orders->Controlling() == 0)
    throw EKvError(254, "Cannot use Find() with index order 0 (natural order) [Find]");
  return *orders->At(orders->Controlling());
}

}  // namespace

// --- IndexOrders -------------------------------------------------------------------------

IndexOrders::IndexOrders(WorkArea& area) : area_(area) {}

IndexOrders::~IndexOrders() {
  CloseAll();
  if (semaphore_) {
    try {
      semaphore_->Logout();
    } catch (const EKvError& error) {
      ErrorReport(error);
    }
  }
}

NdxIndex* IndexOrders::At(int order) const {
  if (order < 1 || order > kMaxIndexOrders) return nullptr;
  return slots_[static_cast<std::size_t>(order - 1)].get();
}

void IndexOrders::SetControlling(int order) {
  controlling_ = order;
  area_.SetOrder(order == 0 ? nullptr : At(order));
}

void IndexOrders::Close(int order) {
  if (!At(order)) return;
  if (controlling_ == order) SetControlling(0);
  slots_[static_cast<std::size_t>(order - 1)].reset();
}

void IndexOrders::CloseAll() {
  for (int n = 1; n <= kMaxIndexOrders; ++n) Close(n);
}

void IndexOrders::Open(std::string_view name, int order) {
  const IndexFileSpec file = ParseIndexFileSpec(name, area_.OpenPath());
  if (order >= 1 && order <= kMaxIndexOrders) Close(order);
  if (order < 1 || order > kMaxIndexOrders)
    throw EKvError(220, "Index Order parameter out of range" + SetIndexToSuffix(file.name, order));
  if (!platform::FileExists(file.path))
    throw EKvError(2, "Attempt to open " + file.name + " [SetIndexTo(...," + std::to_string(order) + ")]");
  if (IndexFileIsOpen(file.path))
    throw EKvError(214, "Index file already open: " + file.name + SetIndexToSuffix(file.name, order));
  if (!area_.Exclusive() && !semaphore_) {
    auto semaphore = std::make_unique<SemaphoreFile>(area_.OpenPath(), area_.FileName(),
                                                     area_.SemaphorePath());
    semaphore->Login();
    semaphore_ = std::move(semaphore);
  }
  slots_[static_cast<std::size_t>(order - 1)] = NdxIndex::Open(area_, file, order);
  if (order == 1) {
    SetControlling(1);
    area_.GoTop();
  }
}

void IndexOrders::SyncAll() {
  const bool at_end = area_.RecCount() == 0 || area_.Eof();
  for (int n = 1; n <= kMaxIndexOrders; ++n) {
    NdxIndex* index = At(n);
    if (!index) continue;
    if (at_end)
      index->SetEof();
    else
      index->Sync();
  }
}

// --- Operations on a work area -----------------------------------------------------------

void SetIndexTo(WorkArea* area, std::string_view names) { SetIndexToFiles(area, SplitIndexList(names)); }

void SetIndexToFiles(WorkArea* area, const std::vector<std::string>& words) {
  if (!area) {
    if (words.empty()) return;
    const std::string name = ParseIndexFileSpec(words.front(), {}).name;
    throw EKvError(215, "Attempt to open " + name + " index file with no DBF file open." +
                            SetIndexToSuffix(name, 1));
  }
  if (area->Indexes()) area->Indexes()->CloseAll();
  if (words.empty()) return;
  IndexOrders& orders = OrdersOf(*area);
  for (std::size_t i = 0; i < words.size(); ++i) orders.Open(words[i], static_cast<int>(i + 1));
  orders.SetControlling(1);
  orders.SyncAll();
}

void OpenIndex(WorkArea* area, std::string_view name, int order) {
  if (!area) {
    const std::string shown = ParseIndexFileSpec(name, {}).name;
    throw EKvError(215, "Attempt to open " + shown + " index file with no DBF file open." +
                            SetIndexToSuffix(shown, order));
  }
  OrdersOf(*area).Open(name, order);
}

void SetControllingOrder(WorkArea& area, int order) {
  IndexOrders* orders = area.Indexes();
  if (order != 0 && (!orders || !orders->At(order)))
    throw EKvError(221, "Index not open. (DBF=" + area.FileName() + ")");
  if (orders) orders->SetControlling(order);
}

int ControllingOrder(const WorkArea& area) {
  return area.Indexes() ? area.Indexes()->Controlling() : 0;
}

const NdxIndex* IndexOfOrder(const WorkArea& area, int order) {
  return area.Indexes() ? area.Indexes()->At(order) : nullptr;
}

void CloseIndexes(WorkArea& area) {
  if (area.Indexes()) area.Indexes()->CloseAll();
}

bool Find(WorkArea& area, std::string_view key) {
  NdxIndex& index = FindIndex(area);
  if (key.empty()) return false;
  return index.Find(key, false);
}

bool FindExact(WorkArea& area, std::string_view key) {
  NdxIndex& index = FindIndex(area);
  if (key.empty()) return false;
  return index.Find(key, true);
}

}  // namespace vantorel::tables
