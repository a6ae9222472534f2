#include "app/no_archive_page.h"

#include <filesystem>

#include "catalogue/catalogue.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"

namespace vantorel::app {

namespace {

constexpr char kPageName[] = "no-archive.htm";

// The page, code page 1252 lines ending in CR LF.
constexpr const char* kPageLines[] = {
    "<HTML><HEAD><TITLE>Vantorel Article Browser: no archive</TITLE></HEAD>",
    "<BODY BGCOLOR=WHITE><FONT FACE=\"ARIAL\">",
    "<H2>No archive is open</H2>",
    "<P>The Vantorel Article Browser reads a magazine archive from its data folder: the folder "
    "that holds the start page index.htm and the catalogue tables article.dbf, author.dbf and "
    "keyword.dbf. No data folder was given and none is beside the program, or the folder given "
    "holds no archive.</P>",
    "<P>To read an archive:</P>",
    "<UL><LI>start the program with the archive's data folder, for example "
    "<TT>vantorel /media/cdrom/data</TT>: a CD-ROM, a mounted ISO image, a share or a copy on "
    "your disk. An archive that cannot be written is read where it stands; what the program "
    "writes for it (indexes, result pages) is kept in your cache folder.</LI>",
    "<LI>to read one page of an archive, choose <B>File &gt; Open</B> and open it; the "
    "searches need the program started on the archive.</LI></UL>",
    "<P>The folders of the article PDF files and of the companion disks are those of the "
    "archive that is open, unless you choose others under <B>Options</B>.</P>",
    "</FONT></BODY></HTML>",
};

}  // namespace

bool HoldsArchive(std::string_view folder) {
  return platform::FileExists(std::string(folder) + "index.htm") || catalogue::HoldsCatalogue(folder);
}

std::string WriteNoArchivePage() {
  const std::string folder = platform::ProgramCacheFolder();
  if (folder.empty()) return {};
  const std::filesystem::path real = platform::ResolvePath(folder);
  platform::CreateDirectoriesAt(real);
  std::string text;
  for (const char* line : kPageLines) text += std::string(line) + "\r\n";
  const std::filesystem::path page = real / kPageName;
  if (!platform::WriteFileAt(page, text)) return {};
  return platform::PathText(page);
}

}  // namespace vantorel::app
