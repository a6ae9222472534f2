// The file browser's Run, UnZip and Copy without the window: which files go to the extraction
// dialog, and the copy with its question before a file is replaced. Questions go through the
// Ui port.
#pragma once

#include <string>
#include <vector>

namespace vantorel::viewer {

// A file of a folder, as a path text with "/".
std::string InFolder(const std::string& folder, const std::string& name);

// True when Run and UnZip hand the file to the extraction dialog: its extension (the link
// router's one rule, browser::LinkExtension) is ".ZIP" in any case. Every other file starts
// as a program or opens with the desktop's application.
bool ExtractsOnRun(const std::string& path);

// Copies the named files of folder (path texts) into target, each keeping its date; before a
// file of the same name in target is replaced the user is asked "Replace existing file " +
// name + "?" (Yes/No, captioned "File Exists Alert"), and No keeps it. Returns
// selected_count less the files kept. Errors of a copy travel to the caller; the files copied
// before stay.
int CopyFiles(const std::string& folder, const std::vector<std::string>& names,
              const std::string& target, int selected_count);

// The information after a copy: count + " files copied".
std::string FilesCopiedText(int count);

}  // namespace vantorel::viewer
