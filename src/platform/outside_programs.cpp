#include "platform/outside_programs.h"

#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>

#include "core/path_texts.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"

extern char** environ;

namespace vantorel::platform {

namespace fs = std::filesystem;

namespace {

// Owns one GObject reference.
template <typename T>
struct GObjectRef {
  T* object = nullptr;
  explicit GObjectRef(T* o) : object(o) {}
  ~GObjectRef() {
    if (object != nullptr) g_object_unref(object);
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
};

// The executable of an application as a real path: found on the search path, links followed.
// The program of an application: the first word of its command line, unquoted, so that a
// program in a folder whose name has a blank is found whole (GIO's own executable is the
// command line up to its first blank, quotes and all).
std::string CommandOf(GAppInfo* app) {
  const char* command_line = g_app_info_get_commandline(app);
  gint count = 0;
  gchar** words = nullptr;
  if (command_line != nullptr && g_shell_parse_argv(command_line, &count, &words, nullptr)) {
    std::string first = count > 0 ? words[0] : "";
    g_strfreev(words);
    if (!first.empty()) return first;
  }
  const char* executable = g_app_info_get_executable(app);
  return executable != nullptr ? executable : "";
}

fs::path ExecutableOf(GAppInfo* app) {
  const std::string executable = CommandOf(app);
  if (executable.empty()) return {};
  gchar* found = g_find_program_in_path(executable.c_str());
  if (found == nullptr) return {};
  fs::path path = CanonicalPath(found);
  g_free(found);
  return path;
}

DesktopLaunch Launched(gboolean started, GError* error) {
  if (started) return {DesktopLaunch::Outcome::Started, {}};
  DesktopLaunch failed{DesktopLaunch::Outcome::Failed, error != nullptr ? error->message : ""};
  if (error != nullptr) g_error_free(error);
  return failed;
}

DesktopLaunch LaunchFile(GAppInfo* app, const fs::path& file) {
  GObjectRef<GFile> gfile(g_file_new_for_path(file.c_str()));
  GList files{gfile.object, nullptr, nullptr};
  GError* error = nullptr;
  const gboolean started = g_app_info_launch(app, &files, nullptr, &error);
  return Launched(started, error);
}

DesktopLaunch LaunchUrl(GAppInfo* app, const std::string& url) {
  GList uris{const_cast<char*>(url.c_str()), nullptr, nullptr};
  GError* error = nullptr;
  const gboolean started = g_app_info_launch_uris(app, &uris, nullptr, &error);
  return Launched(started, error);
}

class GioAssociations : public DesktopAssociations {
 public:
  std::string ProgramFor(const fs::path& file) const override {
    const std::string content_type = ContentTypeOf(file);
    if (content_type.empty()) return {};
    GObjectRef<GAppInfo> app(g_app_info_get_default_for_type(content_type.c_str(), FALSE));
    if (app.object == nullptr) return {};
    const std::string executable = CommandOf(app.object);
    if (executable.empty()) return {};
    gchar* found = g_find_program_in_path(executable.c_str());
    std::string program = found != nullptr ? found : executable;
    g_free(found);
    return program;
  }

  std::string ContentTypeOf(const fs::path& file) const override {
    GObjectRef<GFile> gfile(g_file_new_for_path(file.c_str()));
    GObjectRef<GFileInfo> info(g_file_query_info(gfile.object,
                                                 G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                 G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (info.object == nullptr) return {};
    const char* content_type = g_file_info_get_content_type(info.object);
    return content_type != nullptr ? content_type : "";
  }

  DesktopLaunch OpenWithDefault(const fs::path& file, const std::string& content_type) const override {
    GObjectRef<GAppInfo> app(g_app_info_get_default_for_type(content_type.c_str(), FALSE));
    if (app.object == nullptr) return {};
    return LaunchFile(app.object, file);
  }

  DesktopLaunch OpenWithApplication(const fs::path& program, const std::string& target,
                                    bool is_url) const override {
    const std::string content_type =
        is_url ? "x-scheme-handler/" + core::LowerCaseAscii(target.substr(0, target.find(':')))
               : ContentTypeOf(target);
    if (content_type.empty()) return {};
    const fs::path wanted = CanonicalPath(program);
    if (wanted.empty()) return {};
    const auto open = [&](GAppInfo* app) {
      return is_url ? LaunchUrl(app, target) : LaunchFile(app, target);
    };
    GObjectRef<GAppInfo> preferred(g_app_info_get_default_for_type(content_type.c_str(), FALSE));
    if (preferred.object != nullptr && ExecutableOf(preferred.object) == wanted)
      return open(preferred.object);
    GList* all = g_app_info_get_all_for_type(content_type.c_str());
    GAppInfo* chosen = nullptr;
    for (GList* item = all; item != nullptr && chosen == nullptr; item = item->next) {
      auto* app = static_cast<GAppInfo*>(item->data);
      if (ExecutableOf(app) == wanted) chosen = app;
    }
    const DesktopLaunch launch = chosen != nullptr ? open(chosen) : DesktopLaunch{};
    g_list_free_full(all, g_object_unref);
    return launch;
  }
};

const DesktopAssociations* installed_associations = nullptr;

// The first bytes of a file, fewer when it is shorter; none when it cannot be read.
std::string FirstBytesAt(const fs::path& path, std::size_t count) {
  std::string bytes(count, '\0');
  const std::optional<File> file = File::OpenPath(path, File::Mode::Read);
  const long long read = file ? file->ReadAt(0, bytes.data(), count) : -1;
  bytes.resize(read > 0 ? static_cast<std::size_t>(read) : 0);
  return bytes;
}

bool IsElfExecutable(const fs::path& path) {
  return FileExistsAt(path) && FirstBytesAt(path, 4) == "\x7f" "ELF";
}

bool IsScript(const fs::path& path) {
  return FileExistsAt(path) && FirstBytesAt(path, 2) == "#!";
}

bool IsDosProgram(const fs::path& path, const std::string& content_type) {
  const std::string extension = core::UpperCaseAscii(path.extension().string());
  if (extension == ".EXE" || extension == ".COM" || extension == ".BAT") return true;
  return std::ranges::find(kDosProgramTypes, content_type) != std::end(kDosProgramTypes);
}

// Box texts name the file as the reader knows it.
std::string Shown(const fs::path& path) { return PathText(path); }

void ShowCannotStart(std::string_view what, std::string_view reason) {
  core::ShowError(kCannotStartBefore + std::string(what) + ":\r" + std::string(reason));
}

// An argument as the started program gets it: the real path when it names something.
std::string ArgumentFor(std::string_view text) {
  const fs::path resolved = ResolvePath(text);
  if (ExistsAt(resolved)) return resolved.string();
  return std::string(text);
}

std::vector<std::string> ArgumentsFor(std::string_view parameters) {
  if (parameters.empty()) return {};
  if (IsUrl(parameters)) return {std::string(parameters)};
  if (const fs::path whole = ResolvePath(parameters); ExistsAt(whole)) return {whole.string()};
  std::vector<std::string> arguments;
  for (const std::string& argument : SplitCommandLine(parameters))
    arguments.push_back(ArgumentFor(argument));
  return arguments;
}

// Starts the program in a session of its own; a thread reaps it when it ends. 0 when it
// started, else the error number.
int Spawn(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none, all_default;
  sigemptyset(&none);
  sigfillset(&all_default);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &all_default);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = 0;
  const int result = posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) return result;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 0;
}

void StartProgram(const fs::path& program, std::string_view parameters) {
  if (const int error = Spawn(program.string(), ArgumentsFor(parameters)); error != 0)
    ShowCannotStart(Shown(program), std::strerror(error));
}

// A program the reader chose or the desktop named: through its desktop entry when the
// desktop registers it for the one file or URL it is given.
void StartChosenProgram(const fs::path& program, std::string_view parameters) {
  std::string target;
  bool is_url = false;
  if (IsUrl(parameters)) {
    target = std::string(parameters);
    is_url = true;
  } else if (!parameters.empty()) {
    if (const fs::path file = ResolvePath(parameters); ExistsAt(file)) target = file.string();
  }
  if (!target.empty()) {
    const DesktopLaunch launch = CurrentAssociations().OpenWithApplication(program, target, is_url);
    if (launch.outcome == DesktopLaunch::Outcome::Failed) ShowCannotStart(Shown(program), launch.error);
    if (launch.outcome != DesktopLaunch::Outcome::NoApplication) return;
  }
  StartProgram(program, parameters);
}

// Opens a DOS program with the desktop's application for DOS programs.
void OpenDosProgram(const fs::path& file, const std::string& content_type) {
  std::vector<std::string> types;
  if (std::ranges::find(kDosProgramTypes, content_type) != std::end(kDosProgramTypes))
    types.push_back(content_type);
  for (const char* type : kDosProgramTypes)
    if (type != content_type) types.emplace_back(type);
  for (const std::string& type : types) {
    const DesktopLaunch launch = CurrentAssociations().OpenWithDefault(file, type);
    if (launch.outcome == DesktopLaunch::Outcome::Started) return;
    if (launch.outcome == DesktopLaunch::Outcome::Failed) {
      ShowCannotStart(Shown(file), launch.error);
      return;
    }
  }
  core::ShowError(kNoDosProgramBefore + Shown(file) + kNoDosProgramAfter);
}

void OpenDocument(const fs::path& file, const std::string& content_type) {
  const DesktopLaunch launch = content_type.empty()
                                   ? DesktopLaunch{}
                                   : CurrentAssociations().OpenWithDefault(file, content_type);
  if (launch.outcome == DesktopLaunch::Outcome::NoApplication)
    core::ShowError(kNoApplicationBefore + Shown(file) + kNoApplicationAfter);
  else if (launch.outcome == DesktopLaunch::Outcome::Failed)
    ShowCannotStart(Shown(file), launch.error);
}

bool IsChosenProgram(std::string_view program, const ChosenPrograms& chosen) {
  return program == chosen.reader || program == chosen.browser;
}

// The real path of a bare program name on the search path; empty when it is not there.
fs::path OnSearchPath(std::string_view name) {
  gchar* found = g_find_program_in_path(std::string(name).c_str());
  if (found == nullptr) return {};
  fs::path path = found;
  g_free(found);
  return path;
}

}  // namespace

const DesktopAssociations& CurrentAssociations() {
  static const GioAssociations gio;
  return installed_associations != nullptr ? *installed_associations : gio;
}

const DesktopAssociations* SetAssociations(const DesktopAssociations* associations) {
  const DesktopAssociations* previous = installed_associations;
  installed_associations = associations;
  return previous;
}

std::string FindAssociatedProgram(std::string_view data_dir, std::string_view sample_file_name) {
  const std::string sample = std::string(data_dir) + std::string(sample_file_name);
  if (!FileExists(sample)) return {};
  return CurrentAssociations().ProgramFor(ResolvePath(sample));
}

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> arguments;
  std::string current;
  bool in_argument = false;
  bool quoted = false;
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) arguments.push_back(std::move(current));
      current.clear();
      in_argument = false;
      ++i;
      continue;
    }
    in_argument = true;
    if (c == '\\') {
      std::size_t end = i;
      while (end < text.size() && text[end] == '\\') ++end;
      const std::size_t count = end - i;
      if (end < text.size() && text[end] == '"') {
        current.append(count / 2, '\\');
        if (count % 2 == 1) {
          current += '"';
          ++end;
        }
      } else {
        current.append(count, '\\');
      }
      i = end;
      continue;
    }
    if (c == '"') {
      if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
        current += '"';
        i += 2;
      } else {
        quoted = !quoted;
        ++i;
      }
      continue;
    }
    current += c;
    ++i;
  }
  if (in_argument) arguments.push_back(std::move(current));
  return arguments;
}

bool IsUrl(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  if (!std::isalpha(static_cast<unsigned char>(text.front()))) return false;
  return std::all_of(text.begin(), text.begin() + colon, [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
  });
}

void LaunchProgram(std::string_view program, std::string_view parameters, Scripts scripts,
                   const ChosenPrograms& chosen) {
  if (program.empty()) return;
  if (!core::HasFolder(program)) {
    const fs::path found = OnSearchPath(program);
    if (found.empty())
      core::ShowError(kMissingFile + std::string(program));
    else
      StartChosenProgram(found, parameters);
    return;
  }
  const fs::path target = ResolvePath(program);
  if (!ExistsAt(target)) {
    core::ShowError(kMissingFile + Shown(target));
    return;
  }
  if (IsChosenProgram(program, chosen)) {
    StartChosenProgram(target, parameters);
    return;
  }
  if (IsElfExecutable(target)) {
    StartProgram(target, parameters);
    return;
  }
  const std::string content_type = CurrentAssociations().ContentTypeOf(target);
  if (FileExistsAt(target) && IsDosProgram(target, content_type)) {
    OpenDosProgram(target, content_type);
    return;
  }
  if (scripts == Scripts::AskToRun && IsScript(target) && ExecutableFileExistsAt(target) &&
      core::Confirm(kRunScriptBefore + Shown(target) + kRunScriptAfter, core::Buttons::YesNo)) {
    StartProgram(target, parameters);
    return;
  }
  OpenDocument(target, content_type);
}

}  // namespace vantorel::platform
