// What the program shows when it has no archive to read: no data folder was given and none is
// beside the program (and no demo is installed), or the data folder holds neither a start page
// nor a catalogue.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::app {

// The warning shown at start when no data folder was given and none was found.
inline constexpr char kNoArchiveMessage[] =
    "No archive was found: no data folder was given,\r"
    "and there is none beside the program.\r"
    "Start the program with the archive's data folder\r"
    "(the folder of index.htm and the catalogue tables),\r"
    "for example: vantorel /media/cdrom/data";

// True when folder (ending in a separator) holds an archive to read: its start page index.htm
// or one of the catalogue tables.
bool HoldsArchive(std::string_view folder);

// Writes the page that tells the reader how to point the program at an archive into the
// program's cache folder (platform/write_folder.h) and returns its path; empty when it cannot
// be written (the view then stays empty).
std::string WriteNoArchivePage();

}  // namespace vantorel::app
