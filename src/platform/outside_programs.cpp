#include "platform/outside_programs.h"

#include <gio/gio.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <thread>

#include "core/path_texts.h"
#include "core/shared_state.h"
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

class GioAssociations : public DesktopAssociations {
 public:
  std::string ProgramFor(const fs::path& file) const override {
    GObjectRef<GFile> gfile(g_file_new_for_path(file.c_str()));
    GObjectRef<GFileInfo> info(g_file_query_info(gfile.object,
                                                 G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                                 G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
    if (info.object == nullptr) return {};
    const char* content_type = g_file_info_get_content_type(info.object);
    if (content_type == nullptr) return {};
    GObjectRef<GAppInfo> app(g_app_info_get_default_for_type(content_type, FALSE));
    if (app.object == nullptr) return {};
    const std::string executable = ExecutableOf(app.object);
    if (executable.empty()) return {};
    gchar* found = g_find_program_in_path(executable.c_str());
    std::string program = found != nullptr ? found : executable;
    g_free(found);
    return program;
  }

 private:
  // The program of an application: the first word of its command line, unquoted, so that a
  // program in a folder whose name has a blank is found whole (GIO's own executable is the
  // command line up to its first blank, quotes and all).
  static std::string ExecutableOf(GAppInfo* app) {
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

  bool OpenWithDefault(const fs::path& file) const override {
    GObjectRef<GFile> gfile(g_file_new_for_path(file.c_str()));
    gchar* uri = g_file_get_uri(gfile.object);
    GError* error = nullptr;
    const bool opened = g_app_info_launch_default_for_uri(uri, nullptr, &error);
    if (error != nullptr) g_error_free(error);
    g_free(uri);
    return opened;
  }
};

const DesktopAssociations* installed_associations = nullptr;

// An argument as the started program gets it: the real path when it names something.
std::string ArgumentFor(std::string_view text) {
  const fs::path resolved = ResolvePath(text);
  if (ExistsAt(resolved)) return resolved.string();
  return std::string(text);
}

std::vector<std::string> ArgumentsFor(std::string_view parameters) {
  if (parameters.empty()) return {};
  if (const fs::path whole = ResolvePath(parameters); ExistsAt(whole)) return {whole.string()};
  std::vector<std::string> arguments;
  for (const std::string& argument : SplitCommandLine(parameters))
    arguments.push_back(ArgumentFor(argument));
  return arguments;
}

// Starts the program in a session of its own; a thread reaps it when it ends.
void Spawn(const std::string& program, bool search_path, const std::vector<std::string>& arguments) {
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
  const int result = search_path
                         ? posix_spawnp(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ)
                         : posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) return;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
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

std::string FindAssociatedProgram(std::string_view sample_file_name) {
  const std::string sample = core::Settings().DataDir + std::string(sample_file_name);
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

void LaunchProgram(std::string_view program, std::string_view parameters) {
  if (program.empty()) return;
  const bool is_path = core::HasFolder(program);
  const fs::path target = ResolvePath(program);
  if (ExecutableFileExistsAt(target)) {
    Spawn(target.string(), false, ArgumentsFor(parameters));
    return;
  }
  if (FileExistsAt(target)) {
    CurrentAssociations().OpenWithDefault(target);
    return;
  }
  if (!is_path) Spawn(std::string(program), true, ArgumentsFor(parameters));
}

}  // namespace vantorel::platform
