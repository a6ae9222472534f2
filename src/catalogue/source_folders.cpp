#include "catalogue/source_folders.h"

#include <optional>
#include <vector>

#include "core/code_pages.h"
#include "core/texts.h"

namespace vantorel::catalogue {

SourceFolders::SourceFolders(std::string source_dir) : source_dir_(std::move(source_dir)) {}

const SourceFolders::Listing& SourceFolders::ListingOf(const std::string& parent) {
  auto found = listings_.find(parent);
  if (found != listings_.end()) return found->second;
  Listing listing;
  const std::filesystem::path resolved = platform::ResolvePath(parent);
  if (!platform::DirectoryExistsAt(resolved)) {
    listing.listed = true;  // nothing below it is a directory
  } else if (std::optional<std::vector<platform::DirectoryEntry>> entries =
                 platform::DirectoryEntriesAt(resolved)) {
    listing.listed = true;
    for (platform::DirectoryEntry& entry : *entries) {
      listing.exact.emplace(entry.name, entry.directory);
      const auto [at, added] = listing.folded.try_emplace(core::UpperCaseAscii(entry.name), entry);
      if (!added && entry.name < at->second.name) at->second = std::move(entry);
    }
  }
  return listings_.emplace(parent, std::move(listing)).first->second;
}

bool SourceFolders::Exists(std::string_view folder) {
  // The usual folder, "Issue45\NAME": its parent's listing is found by the relative text,
  // without building the whole path. (A separator of the path can only come from a separator
  // of folder: code page 1252 letters become bytes above 127 in UTF-8.)
  const std::size_t split = folder.find_last_of("/\\");
  if (split != std::string_view::npos) {
    const std::string_view tail = folder.substr(split + 1);
    if (!tail.empty() && tail != "." && tail != "..") {
      const std::string_view parent = folder.substr(0, split + 1);
      auto known = parents_.find(parent);
      if (known == parents_.end())
        known = parents_
                    .emplace(std::string(parent),
                             &ListingOf(source_dir_ + core::Cp1252ToUtf8(parent)))
                    .first;
      const Listing& listing = *known->second;
      if (listing.listed) return InListing(listing, core::Cp1252ToUtf8(tail));
    }
  }
  const std::string path = source_dir_ + core::Cp1252ToUtf8(folder);
  const std::size_t last = path.find_last_of("/\\");
  const std::string name = last == std::string::npos ? path : path.substr(last + 1);
  // Names the path facade treats apart, and a path without a parent: asked of the disk.
  if (last == std::string::npos || name.empty() || name == "." || name == "..")
    return platform::DirectoryExists(path);
  const Listing& listing = ListingOf(path.substr(0, last + 1));
  if (!listing.listed) return platform::DirectoryExists(path);
  return InListing(listing, name);
}

// The facade's matching: the exact name, else the first name equal to it without regard to
// the case of a-z in byte order.
bool SourceFolders::InListing(const Listing& listing, const std::string& name) {
  if (const auto exact = listing.exact.find(name); exact != listing.exact.end()) return exact->second;
  const auto folded = listing.folded.find(core::UpperCaseAscii(name));
  return folded != listing.folded.end() && folded->second.directory;
}

}  // namespace vantorel::catalogue
