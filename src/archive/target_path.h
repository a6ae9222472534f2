// Where an entry lands: the target directory built from DestDir, RootDir and the stored path,
// and the checks that keep every target inside DestDir.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantorel::archive {

// The target directory of an entry as a path text (step 3 of extracting an entry).
// With recreate_dirs and a non-empty entry_path p: a RootDir prefix of p (ignoring case) is
// removed; a p that neither begins with "\" nor has ":" as its second character gives
// dest_dir + "\" + p; otherwise, with dest_dir not empty, dest_dir + p for a p beginning with
// "\" and dest_dir + p without its drive (two characters) for one beginning with a drive; with
// dest_dir empty, p itself. Without recreate_dirs, or for an empty p: dest_dir + "\".
std::string TargetDirectory(std::string_view dest_dir, std::string_view root_dir,
                            std::string_view entry_path, bool recreate_dirs);

// True when a stored path text has a ".." component ("\" and "/" both separate components).
bool HasParentComponent(std::string_view path_text);

// True when target, a real path, lies inside the directory dest (or is dest), after every
// symbolic link on the parts of either path that exist has been followed.
bool LiesInside(const std::filesystem::path& target, const std::filesystem::path& dest);

}  // namespace vantorel::archive
