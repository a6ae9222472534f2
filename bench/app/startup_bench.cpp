// Start-up to the first painted start page, measured on whole processes: each run starts
// this program as a child that goes through the program's own start-up (RunProgram) on the
// demo archive and reports once every frame of the start page has been painted.
//
// Run it under a display, e.g. xvfb-run -s "-screen 0 1280x1024x24" startup_bench
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QEvent>
#include <QObject>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include <benchmark/benchmark.h>

#include "app/program_main_form.h"
#include "app/program.h"
#include "browser/frame_viewer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Counts the frames painted and reports on the pipe once all have been.
class PaintWatch : public QObject {
 public:
  PaintWatch(vantorel::app::ProgramMainForm& form, int report_fd) : report_fd_(report_fd) {
    for (auto* view : form.FrameViewer->FrameViews()) {
      view->viewport()->installEventFilter(this);
      waiting_.insert(view->viewport());
    }
    if (waiting_.empty()) Report();
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && waiting_.erase(watched) > 0 && waiting_.empty()) Report();
    return false;
  }

 private:
  void Report() {
    const char done = 'p';
    if (::write(report_fd_, &done, 1) != 1) std::_Exit(3);
    std::_Exit(0);
  }
  int report_fd_;                    // the pipe to the parent
  std::set<QObject*> waiting_;       // frame viewports not painted yet
};

fs::path MakeDemoArchive() {
  const fs::path archive = fs::temp_directory_path() / "vantorel-startup-bench-archive";
  if (!fs::exists(archive / "index.htm")) {
    const std::string command = std::string("python3 '") + VANTOREL_SOURCE_DIR +
                                "/tools/make_demo_archive.py' '" + archive.string() + "' >/dev/null";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot make the demo archive\n");
  }
  return archive;
}

void BM_StartupToFirstPaintedStartPage(benchmark::State& state) {
  const fs::path archive = MakeDemoArchive();
  const fs::path config = fs::temp_directory_path() / "vantorel-startup-bench-config";
  fs::remove_all(config);
  ::setenv("VANTOREL_CONFIG_DIR", config.c_str(), 1);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  for (auto _ : state) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) state.SkipWithError("pipe");
    const std::string fd_text = std::to_string(pipe_fds[1]);
    char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>("--startup-child"),
                    const_cast<char*>(fd_text.c_str()), const_cast<char*>(archive.c_str()),
                    nullptr};
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start the child");
      break;
    }
    ::close(pipe_fds[1]);
    char done = 0;
    const bool painted = ::read(pipe_fds[0], &done, 1) == 1;
    const auto end = std::chrono::steady_clock::now();
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!painted) {
      state.SkipWithError("the child painted no start page (is there a display?)");
      break;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_StartupToFirstPaintedStartPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--startup-child") {
    const int report_fd = std::atoi(argv[2]);
    char* program_argv[] = {argv[0], argv[3], nullptr};
    PaintWatch* watch = nullptr;
    return vantorel::app::RunProgram(2, program_argv, [&](vantorel::app::ProgramMainForm& form) {
      watch = new PaintWatch(form, report_fd);
    });
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
