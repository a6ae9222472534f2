#include "tables/ndx_sort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

// Entries read ahead from each run while merging.
constexpr std::size_t kMergeBufferBytes = 256 * 1024;

// The first up to 8 bytes of an entry as a big-endian number: most comparisons end there.
std::uint64_t Prefix(const char* entry, std::size_t size) {
  std::uint64_t prefix = 0;
  const std::size_t n = std::min<std::size_t>(size, 8);
  for (std::size_t i = 0; i < 8; ++i)
    prefix = prefix << 8 | (i < n ? static_cast<unsigned char>(entry[i]) : 0u);
  return prefix;
}

std::uint64_t HashKey(const char* key, std::size_t size) {
  std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ size;
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, key + i, sizeof word);
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 32;
  }
  std::uint64_t tail = 0;
  std::memcpy(&tail, key + i, size - i);
  hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ULL;
  return hash ^ (hash >> 29);
}

// An uninitialised array of n values in a large buffer (huge pages where the system has them):
// the sort's working arrays are filled before they are read, and most of their memory is
// touched once, so they take few page faults and no clearing.
template <typename T>
struct LargeArray {
  explicit LargeArray(std::size_t n)
      : bytes(platform::MakeLargeBuffer(std::max<std::size_t>(n, 1) * sizeof(T))),
        data(reinterpret_cast<T*>(bytes.get())) {}
  T& operator[](std::size_t i) { return data[i]; }
  platform::LargeBuffer bytes;
  T* data;
};

}  // namespace

KeySorter::KeySorter(std::size_t key_size, std::size_t max_run_entries, std::string temp_dir,
                     bool first_of_each_key)
    : key_size_(key_size),
      entry_size_(key_size + 4),
      first_of_each_key_(first_of_each_key),
      max_run_entries_(std::max<std::size_t>(2, max_run_entries)),
      temp_dir_(std::move(temp_dir)) {}

KeySorter::~KeySorter() {
  if (!temp_) return;
  const std::filesystem::path path = temp_->Path();
  temp_.reset();
  platform::RemoveFileAt(path);
}

void KeySorter::Grow(std::size_t entries) {
  try {
    platform::LargeBuffer bigger = platform::MakeLargeBuffer(entries * entry_size_);
    if (count_ > 0) std::memcpy(bigger.get(), memory_.get(), count_ * entry_size_);
    memory_ = std::move(bigger);
    capacity_ = entries;
  } catch (const std::bad_alloc&) {
    throw EKvError(217, "Not enough memory for the keys [MakeIndex]");
  }
}

void KeySorter::Reserve(std::size_t entries) {
  entries = std::min(entries, max_run_entries_);
  if (entries > capacity_) Grow(entries);
}

char* KeySorter::Append() {
  if (count_ == max_run_entries_) SpillRun();
  if (count_ == capacity_)
    Grow(std::min(max_run_entries_, std::max<std::size_t>(count_ * 2, 1024)));
  return memory_.get() + count_++ * entry_size_;
}

void KeySorter::SortMemory() {
  const char* data = memory_.get();
  const std::size_t size = entry_size_;
  const std::size_t key_size = key_size_;
  auto key_of = [data, size](std::uint32_t entry) { return data + entry * size; };
  try {
    // The distinct keys, each by the first entry that has it, copied side by side so that
    // comparing with them touches little memory; group: each entry's key. A slot of the hash
    // table holds a key's group and the high half of its hash, so that most slots of other
    // keys are passed over without comparing keys; the slots of entries a few ahead are
    // fetched from memory before they are needed.
    std::size_t slots = 16;
    while (slots < 2 * count_) slots *= 2;
    constexpr std::uint64_t kEmpty = ~std::uint64_t{0};
    constexpr std::size_t kFetchAhead = 8;
    LargeArray<std::uint64_t> hashes(count_);
    for (std::uint32_t i = 0; i < count_; ++i) hashes[i] = HashKey(key_of(i), key_size);
    std::optional<LargeArray<std::uint64_t>> table(std::in_place, slots);
    std::fill(table->data, table->data + slots, kEmpty);
    LargeArray<std::uint32_t> group(count_);
    LargeArray<std::uint32_t> firsts(count_);  // room for every entry's key being new
    LargeArray<char> distinct(count_ * key_size);
    std::uint32_t distinct_count = 0;
    for (std::uint32_t i = 0; i < count_; ++i) {
      if (i + kFetchAhead < count_)
        __builtin_prefetch(&(*table)[hashes[i + kFetchAhead] & (slots - 1)]);
      const char* key = key_of(i);
      const std::uint64_t tag = hashes[i] >> 32;
      std::size_t slot = hashes[i] & (slots - 1);
      for (;; slot = (slot + 1) & (slots - 1)) {
        const std::uint64_t held = (*table)[slot];
        if (held == kEmpty) {
          const std::uint32_t g = distinct_count++;
          (*table)[slot] = tag << 32 | g;
          firsts[g] = i;
          std::memcpy(distinct.data + std::size_t{g} * key_size, key, key_size);
          group[i] = g;
          break;
        }
        const auto g = static_cast<std::uint32_t>(held);
        if ((held >> 32) == tag && std::memcmp(distinct.data + std::size_t{g} * key_size, key, key_size) == 0) {
          group[i] = g;
          break;
        }
      }
    }
    table.reset();

    // The distinct keys in order: their first 16 bytes as two numbers decide nearly always.
    struct Item {
      std::uint64_t prefix;
      std::uint64_t second;
      std::uint32_t group;
    };
    const char* keys = distinct.data;
    std::vector<Item> items(distinct_count);
    for (std::uint32_t g = 0; g < distinct_count; ++g) {
      const char* key = keys + g * key_size;
      items[g] = {Prefix(key, key_size), key_size > 8 ? Prefix(key + 8, key_size - 8) : 0, g};
    }
    std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
      if (a.prefix != b.prefix) return a.prefix < b.prefix;
      if (a.second != b.second) return a.second < b.second;
      if (key_size <= 16) return false;
      return std::memcmp(keys + a.group * key_size + 16, keys + b.group * key_size + 16,
                         key_size - 16) < 0;
    });
    if (first_of_each_key_) {
      order_.resize(items.size());
      for (std::size_t r = 0; r < items.size(); ++r) order_[r] = firsts[items[r].group];
      return;
    }
    // Every entry behind its key, in the order the entries came.
    std::vector<std::uint32_t> start(distinct_count + 1, 0);
    for (std::uint32_t i = 0; i < count_; ++i) ++start[group[i] + 1];
    std::vector<std::uint32_t> place(distinct_count);
    std::uint32_t at = 0;
    for (const Item& item : items) {
      place[item.group] = at;
      at += start[item.group + 1];
    }
    order_.resize(count_);
    for (std::uint32_t i = 0; i < count_; ++i) order_[place[group[i]]++] = i;
  } catch (const std::bad_alloc&) {
    throw EKvError(217, "Not enough memory to sort the keys [MakeIndex]");
  }
}

void KeySorter::SpillRun() {
  if (!temp_) {
    temp_ = platform::File::CreateTemporary(temp_dir_, "KVP");
    if (!temp_) throw EKvError(DosErrorCode(errno), "Error requesting unique file name [UniqueFilename]");
  }
  SortMemory();
  std::vector<char> sorted;
  try {
    sorted.resize(order_.size() * entry_size_);
  } catch (const std::bad_alloc&) {
    throw EKvError(217, "Not enough memory to sort the keys [MakeIndex]");
  }
  for (std::size_t i = 0; i < order_.size(); ++i)
    std::memcpy(sorted.data() + i * entry_size_, memory_.get() + order_[i] * entry_size_, entry_size_);
  if (!temp_->WriteAt(temp_size_, sorted.data(), sorted.size()))
    throw EKvError(101, "Error writing " + temp_->Path().string() + " [MakeIndex]");
  runs_.push_back({temp_size_, order_.size(), {}, 0});
  temp_size_ += sorted.size();
  count_ = 0;
  order_.clear();
}

bool KeySorter::Refill(Run& run) {
  if (run.remaining == 0) return false;
  const std::size_t per_buffer = std::max<std::size_t>(1, kMergeBufferBytes / entry_size_);
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(run.remaining, per_buffer));
  run.buffer.resize(n * entry_size_);
  const long long got = temp_->ReadAt(run.offset, run.buffer.data(), run.buffer.size());
  if (got != static_cast<long long>(run.buffer.size()))
    throw EKvError(100, "Error reading " + temp_->Path().string() + " [MakeIndex]");
  run.offset += run.buffer.size();
  run.remaining -= n;
  run.at = 0;
  return true;
}

void KeySorter::Finish() {
  finished_ = true;
  if (runs_.empty()) {
    SortMemory();
    next_ = 0;
    return;
  }
  if (count_ > 0) SpillRun();
  memory_.reset();
  capacity_ = 0;
  for (std::size_t i = 0; i < runs_.size(); ++i)
    if (Refill(runs_[i])) heap_.push_back(i);
  // std heaps keep the greatest on top: order by "greater" to have the least entry there.
  auto greater = [this](std::size_t a, std::size_t b) {
    return std::memcmp(RunHead(runs_[a]), RunHead(runs_[b]), entry_size_) > 0;
  };
  std::make_heap(heap_.begin(), heap_.end(), greater);
}

const char* KeySorter::Next() {
  if (runs_.empty()) {
    if (next_ == order_.size()) return nullptr;
    return memory_.get() + order_[next_++] * entry_size_;
  }
  // The entry returned last stays valid until now: advance its run first.
  auto greater = [this](std::size_t a, std::size_t b) {
    return std::memcmp(RunHead(runs_[a]), RunHead(runs_[b]), entry_size_) > 0;
  };
  if (next_ > 0 && !heap_.empty()) {
    std::pop_heap(heap_.begin(), heap_.end(), greater);
    Run& run = runs_[heap_.back()];
    run.at += entry_size_;
    if (run.at < run.buffer.size() || Refill(run))
      std::push_heap(heap_.begin(), heap_.end(), greater);
    else
      heap_.pop_back();
  }
  if (heap_.empty()) return nullptr;
  next_ = 1;
  return RunHead(runs_[heap_.front()]);
}

}  // namespace vantorel::tables
