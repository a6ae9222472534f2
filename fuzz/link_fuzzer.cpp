// Link texts as a page may hold them: expanded against a document's base, split at "#", and
// routed by the link router (both windows' routes) to actions that only record that they were called.
// Input: the link text, then optionally "\0" and a declared BASE HREF.
#include <cstddef>
#include <cstdint>
#include <string>

#include "browser/link_router.h"
#include "browser/link_path.h"
#include "core/settings.h"
#include "fuzz_input.h"

namespace {

using vantorel::browser::ScreenPoint;
using vantorel::browser::WindowGeometry;

// Every action succeeds without doing anything; whether files exist is decided by the path's
// length so that both branches are taken.
class FakeActions final : public vantorel::browser::MainWindowLinkActions {
 public:
  std::string base;

  std::string ExpandLinkPath(const std::string& reference) override {
    return vantorel::browser::ExpandLinkPath(
        reference, vantorel::browser::DocumentLinkBase("", base, "C:\\KV\\DISKS\\ISSUE01\\README.HTM"));
  }
  void LoadDocumentIntoFrame(const std::string&, const std::string& file) override { calls += file.size(); }
  bool FindNext(const std::string& text, bool) override { return text.size() % 2 == 0; }
  WindowGeometry MainWindowGeometry() override { return {-7, 3, 1024, 767}; }
  void ShowFindDialog(const std::string&, ScreenPoint) override { ++calls; }
  void ArticleSearch() override { ++calls; }
  void SearchOther() override { ++calls; }
  void FullTextSearch() override { ++calls; }
  void ShowSourceFile(const std::string& file, const std::string&, const std::string& word) override {
    calls += file.size() + word.size();
  }
  void BrowseDirectory(const std::string& directory) override { calls += directory.size(); }
  void OpenExtractDialog(const std::string& archive) override { calls += archive.size(); }
  void LaunchProgram(const std::string& program, const std::string&) override { calls += program.size(); }
  bool EnsureCdReady(const std::string& path) override { return path.size() % 3 != 0; }
  void OpenPdfInReader(const std::string& path, int page) override { calls += path.size() + page; }
  void ShowArchiveMember(const std::string& archive, const std::string& member, const std::string&,
                         const std::string& word) override {
    calls += archive.size() + member.size() + word.size();
  }
  void PlaySound(const std::string& file) override { calls += file.size(); }
  bool FileExists(const std::string& path) override { return path.size() % 2 == 0; }
  bool DirectoryExists(const std::string& path) override { return path.size() % 2 == 1; }

  std::size_t calls = 0;
};

// The settings the routers read, set once.
vantorel::core::BrowserSettings& FuzzSettings() {
  static vantorel::core::BrowserSettings settings;
  return settings;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantorel::fuzz::InstallSilentUi();
  vantorel::core::BrowserSettings& settings = FuzzSettings();
  settings.SourceDir = "C:\\KV\\DISKS\\";
  settings.PdfDir = "C:\\KV\\PDF\\";
  settings.CdPath = "D:\\";
  settings.BrowserPath = "firefox";
  settings.LastIssue = 72;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input = vantorel::fuzz::AsText(data, size);
  const std::size_t end = input.find('\0');
  const std::string_view link = input.substr(0, end);
  FakeActions actions;
  if (end != std::string_view::npos) actions.base = std::string(input.substr(end + 1));

  vantorel::browser::SplitFileReference(link);
  vantorel::browser::LinkExtension(link);
  vantorel::browser::DirectoryOf(link);
  const vantorel::core::BrowserSettings& settings = FuzzSettings();
  vantorel::browser::LinkRouter main_window(static_cast<vantorel::browser::MainWindowLinkActions&>(actions), settings);
  main_window.HotSpotClick(link, size % 3 == 0 ? vantorel::browser::LinkPlace::Contents
                                               : vantorel::browser::LinkPlace::Other);
  main_window.ResolveLinkTarget(link, size % 2 == 0);
  vantorel::browser::LinkRouter viewer(static_cast<vantorel::browser::LinkActions&>(actions), settings);
  viewer.HotSpotClick(link);
  return 0;
}
