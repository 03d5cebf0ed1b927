// bench_startup.cpp - whole-process start-up: a program linked with the library
// (startup/startup_ours.cpp) against a C hello world (startup/startup_ref.c), each iteration one
// run of the program. The time of an iteration is the child's own CPU time, user and system,
// from loading to exit; the child inherits QUELMO from the benchmark.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

namespace {

double seconds(const timeval &t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

void runProgram(benchmark::State &state, const std::string &path) {
  char *argv[] = {const_cast<char *>(path.c_str()), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  for (auto _ : state) {
    pid_t pid;
    int status = 0;
    rusage usage{};
    if (posix_spawn(&pid, path.c_str(), &quiet, nullptr, argv, environ) != 0 ||
        wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError(("cannot run " + path).c_str());
      break;
    }
    state.SetIterationTime(seconds(usage.ru_utime) + seconds(usage.ru_stime));
  }
  posix_spawn_file_actions_destroy(&quiet);
}

void BM_StartUpOurs(benchmark::State &state) {
  runProgram(state, PORT_BENCH_STARTUP_DIR "/startup_ours");
}
void BM_StartUpRef(benchmark::State &state) {
  runProgram(state, PORT_BENCH_STARTUP_DIR "/startup_ref");
}

// Names follow "<Name>/ours" and "<Name>/ref" (scripts/bench.sh pairs them); the manual time
// is the child's.
BENCHMARK(BM_StartUpOurs)->Name("StartUp/ours")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpRef)->Name("StartUp/ref")->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
