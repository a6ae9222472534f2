#include "catalogue/bonus_search.h"

#include <cstdint>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "catalogue/bonus_result_page.h"
#include "catalogue/bonus_word_index.h"
#include "catalogue/search_words.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"

namespace vantorel::catalogue {

namespace {

constexpr char kNoMatches[] = "Sorry, no matches were found:\rplease try again";
constexpr char kResultsPage[] = "SEARCHRESULT.HTM";
constexpr char kWordIndex[] = "words.wdx";

void Progress(const std::string& text) { core::CurrentUi().ShowProgress(text); }

}  // namespace

// A match or scratch list: "FILE_ID|word" entries in insertion order, at most one per key.
class BonusSearch::MatchList {
 public:
  // True when an entry's key is key.
  bool HasKey(const std::string& key) const { return keys_.contains(key); }
  // Appends file_id + "|" + word. REQUIRES: no entry has the new entry's key.
  void Append(const std::string& file_id, const std::string& word) {
    entries_.push_back(file_id + "|" + word);
    keys_.insert(MatchKey(entries_.back()));
  }
  void Clear() {
    entries_.clear();
    keys_.clear();
  }
  std::size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  const std::vector<std::string>& Entries() const { return entries_; }

 private:
  std::vector<std::string> entries_;       // in insertion order
  std::unordered_set<std::string> keys_;   // the entries' keys
};

BonusSearch::BonusSearch() : files_dbf_("FilesDBF"), words_dbf_("WordsDBF") {
  for (tables::KvDbf* table : {&files_dbf_, &words_dbf_}) {
    table->SetReadOnly(false);
    table->SetExclusive(false);
    table->SetTableLanguage(tables::KvTableLanguage::tlOem);
    table->SetHideDeletedRecs(false);
    table->SetCreateIfNotFound(false);  // the tables come with the archive; nothing to create
    table->SetRaiseEngineErrors(true);
  }
}

void BonusSearch::OpenTable(tables::KvDbf& table, const std::string& file) {
  table.SetActive(false);
  table.SetReadOnly(platform::FileExists(file) && !platform::WritableAt(platform::ResolvePath(file)));
  table.SetDbfFileName(file);
  table.SetActive(true);
}

void BonusSearch::OpenTables(const std::string& data_dir) {
  data_dir_ = data_dir;
  write_dir_ = platform::WriteFolderFor(data_dir_);
  OpenTable(files_dbf_, data_dir_ + "files.dbf");
  OpenTable(words_dbf_, data_dir_ + "words.dbf");
}

SearchEnd BonusSearch::OkBtnClick(const BonusSearchRequest& request) {
  outcome_ = {};
  std::optional<SearchWordList> list =
      MakeWordList(SplitBonusSearchWords(BonusSearchText(request.text)));
  if (!list) return SearchEnd::ShortWordsDeclined;
  if (request.mode == MatchMode::AllWords && !list->words.Empty()) PutLongestFirst(*list);

  MatchList matches;
  {
    core::BusyCursor busy;
    MatchWords(list->words, request.mode, matches);
  }
  if (matches.Empty()) {
    core::ShowInformation(kNoMatches);
    return SearchEnd::NothingFound;
  }
  const std::string first_word = list->words[0];
  WriteBonusResultPage(write_dir_ + kResultsPage, files_dbf_,
                       {matches.Entries(), request.mode, request.text, first_word});
  outcome_.SearchPageWritten = true;
  Progress("");
  return SearchEnd::PageWritten;
}

std::vector<std::string> BonusSearch::DocumentKeys() {
  std::vector<std::string> keys;
  for (files_dbf_.First(); !files_dbf_.Eof(); files_dbf_.Skip(1))
    keys.push_back(core::RightTrim(files_dbf_.FieldAsString("FILE_ID")));
  return keys;
}

void BonusSearch::MatchWords(const core::SortedTextList& words, MatchMode mode,
                             MatchList& matches) {
  const bool any_word = mode == MatchMode::AnyWord;
  // "Match any word" is complete once every document matches: once every key Locate can
  // find (FILE_ID without trailing blanks) is a match's key.
  std::unordered_set<std::string> unmatched_documents;
  if (any_word)
    for (std::string& key : DocumentKeys()) unmatched_documents.insert(std::move(key));
  const bool has_documents = !unmatched_documents.empty();

  // The documents of each word's hits come from words.dbf's own index when it can have one,
  // else from scanning the table.
  const std::optional<BonusWordIndex> index =
      BonusWordIndex::Open(words_dbf_, data_dir_ + "words.dbf", write_dir_ + kWordIndex);

  MatchList scratch;
  bool first_word = true;
  bool stop = false;
  for (std::size_t i = 0; i < words.Count() && !stop; ++i) {
    const std::string& word = words[i];
    // One hit: a record of the document file_id.
    const auto hit = [&](const std::string& file_id) {
      const std::string key = core::AllTrim(file_id);
      if (any_word || first_word) {
        if (!matches.HasKey(key)) {
          matches.Append(file_id, word);
          if (any_word) unmatched_documents.erase(key);
        }
        if (any_word && has_documents && unmatched_documents.empty()) stop = true;
      } else if (matches.HasKey(key) && !scratch.HasKey(key)) {
        scratch.Append(file_id, word);
      }
      const std::size_t count = !any_word && !first_word ? scratch.Count() : matches.Count();
      Progress("Checking word number " + std::to_string(i + 1) + ", " + std::to_string(count) +
               " files match");
    };
    // The index gives each document once, at its first hit: the later hits of a document
    // change nothing.
    std::optional<std::vector<std::string>> documents;
    if (index) documents = index->DocumentsOf(word);
    if (documents) {
      for (const std::string& file_id : *documents) {
        hit(file_id);
        if (stop) break;
      }
    } else {
      std::uint8_t field_number = 0;
      bool from_top = true;
      while (!stop && words_dbf_.Search(word, field_number, from_top)) {
        hit(words_dbf_.FieldAsString("FILE_ID"));
        from_top = false;
      }
    }
    if (!any_word) {
      if (matches.Empty()) {
        stop = true;
      } else if (!first_word) {
        std::swap(matches, scratch);
        scratch.Clear();
      }
    }
    first_word = false;
  }
}

}  // namespace vantorel::catalogue
