#include "archive/member_file.h"

#include "archive/entry_reader.h"
#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::archive {

namespace {

constexpr char kTemporaryPrefix[] = "vantorel-member-";

// The member's index: the exact name first, else the first name equal without regard to case.
int FindMember(const ZipEntryReader& reader, std::string_view member) {
  int same_text = -1;
  for (int i = 0; i < reader.EntryCount(); ++i) {
    const std::string name = reader.EntryName(i);
    if (name == member) return i;
    if (same_text < 0 && core::SameTextNoCase(name, member)) same_text = i;
  }
  return same_text;
}

const char* Why(ZipEntryReader::Outcome outcome) {
  using Outcome = ZipEntryReader::Outcome;
  switch (outcome) {
    case Outcome::Read: break;
    case Outcome::Directory: return "it is a folder";
    case Outcome::Encrypted: return "it is encrypted";
    case Outcome::UnknownMethod: return "its compression method is not known";
    case Outcome::TooLarge: return "it is too large";
    case Outcome::Damaged: return "it is damaged";
  }
  return "it cannot be read";
}

// The last component of a stored name; "member" for a name that ends in "/".
std::string FileNameOfMember(std::string_view member) {
  const std::size_t slash = member.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? member : member.substr(slash + 1);
  return name.empty() || name == "." || name == ".." ? std::string("member") : std::string(name);
}

}  // namespace

MemberFile::MemberFile(std::string_view archive, std::string_view member) {
  const std::string shown_member(member);
  ZipEntryReader reader(archive);
  const int index = FindMember(reader, member);
  if (index < 0)
    throw EMemberNotShown("Unable to find " + shown_member + " in " + platform::ShownPath(archive));
  const ZipEntryReader::Entry entry = reader.Read(index, kMaxMemberFileSize);
  if (entry.outcome != ZipEntryReader::Outcome::Read)
    throw EMemberNotShown("Unable to show " + shown_member + ": " + Why(entry.outcome));
  folder_ = platform::CreateTemporaryFolder(kTemporaryPrefix);
  if (folder_.empty()) throw EMemberNotShown("Unable to write a temporary copy of " + shown_member);
  file_ = folder_ / FileNameOfMember(reader.EntryName(index));
  if (!platform::WriteFileAt(file_, entry.bytes)) {
    platform::RemoveTreeAt(folder_);
    throw EMemberNotShown("Unable to write a temporary copy of " + shown_member);
  }
}

MemberFile::~MemberFile() { platform::RemoveTreeAt(folder_); }

}  // namespace vantorel::archive
