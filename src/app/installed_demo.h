// The demo archive an installed program starts on when it is given no data folder.
//
// `cmake --install` puts the program in PREFIX/bin and the demo archive in
// PREFIX/share/vantorel/demo. The program writes result pages and index files into its data
// folder, which an installed prefix does not allow, so the reader works on a copy in the user's
// data folder, made on first use.
#pragma once

#include <filesystem>
#include <optional>

namespace vantorel::app {

// PREFIX/share/vantorel/demo for a program folder PREFIX/bin, when it holds index.htm.
std::optional<std::filesystem::path> InstalledDemoFolder(const std::filesystem::path& program_dir);

// Where the reader's copy of the demo lives: $XDG_DATA_HOME/vantorel/demo, else
// ~/.local/share/vantorel/demo.
std::filesystem::path UserDemoFolder();

// Makes target a copy of the installed demo unless target already holds index.htm, and returns
// target. The files keep their dates; index.htm is copied last, so a copy cut short is completed
// at the next start (files already there are copied again). Throws platform::FileError naming
// the file that could not be copied.
std::filesystem::path PrepareUserDemo(const std::filesystem::path& installed,
                                      const std::filesystem::path& target);

}  // namespace vantorel::app
