// Where the program writes what it makes for an archive: the index files, keywords.lst, the
// result pages and complete lists, the SemaphoreFiles of shared tables.
//
// An archive is often read-only (a CD-ROM, a mounted ISO image, a read-only share). Its data
// folder is then never written: everything goes to a folder of the reader's own for that
// archive, under $XDG_CACHE_HOME/vantorel/ (else ~/.cache/vantorel/). The folder's name is the
// data folder's own name made safe (ASCII letters, digits, ".", "-" and "_" kept, every other
// byte "_", at most 40 bytes), "-" and 16 hexadecimal digits of the
// 64-bit FNV-1a hash of the data folder's canonical path and of its catalogue tables' sizes and
// dates: two archives never share a folder (not even two discs put in one drive in turn), and
// the same archive finds its folder again at every start.
//
// A page written there is read as if it stood in the data folder (WrittenFileLocation): the program
// names it by its place in the archive, so its relative links, images, "file:///pdf/" and
// "diry:///disks/" links resolve against the archive, and the page's bytes are the same
// wherever it was written.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::platform {

// The program's own cache folder, ending in "/": $XDG_CACHE_HOME/vantorel/ when that variable
// holds an absolute path, else ~/.cache/vantorel/; empty when no home folder is known. Nothing
// is created.
std::string ProgramCacheFolder();

// The user's home folder, ending in "/": $HOME when it holds an absolute path, else the home
// the system names for the user; empty when there is none.
std::string HomeFolder();

// True when the program can write into the data folder (an existing folder whose
// permissions and file system allow this process to create files in it).
bool DataFolderWritable(std::string_view data_dir);

// The cache folder for the archive in data_dir, ending in "/" (see the top of this file);
// nothing is created. An empty text when no cache home can be found (no $XDG_CACHE_HOME and no
// home folder).
std::string ArchiveCacheFolder(std::string_view data_dir);

// The folder, ending in "/", that holds what the program writes for the archive in data_dir:
// data_dir itself when it can be written, a folder that does not exist as it is given, or
// no cache folder can be named; else ArchiveCacheFolder(data_dir), created when missing (a
// creation that fails shows when the first file is written there).
std::string WriteFolderFor(std::string_view data_dir);

// The file to read for path, a file the program may have written for the archive in
// data_dir: the same file name in WriteFolderFor(data_dir) when that differs from data_dir,
// path lies directly in data_dir and the written file exists; else path unchanged. An anchor
// ("#" and what follows) is kept.
std::string WrittenFileLocation(std::string_view path, std::string_view data_dir);

}  // namespace vantorel::platform
