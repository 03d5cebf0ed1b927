// bench_process.cpp - child processes in one run: /bin/true started and waited for through
// Port::Process::Run against posix_spawn + waitpid, and 64 MiB of child output collected through
// the pipe by a Port::ChildOutput against popen + fread.
#include "Port_File.h"
#include "Port_Process.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>

extern char **environ;

namespace {

constexpr long kOutputSize = 64L * 1024 * 1024;

// A text file of 64 MiB of lines, made once; the child prints it with cat.
struct OutputFile {
  std::string name;
  OutputFile() {
    name = Port_File::tmpnam(nullptr);
    std::string line(79, 'x');
    line += '\n';
    std::FILE *f = std::fopen(name.c_str(), "wb");
    for (long done = 0; done < kOutputSize; done += static_cast<long>(line.size()))
      std::fwrite(line.data(), 1, line.size(), f);
    std::fclose(f);
  }
  ~OutputFile() { std::remove(name.c_str()); }
};

OutputFile &outputFile() {
  static OutputFile file;
  return file;
}

class CountOutput : public Port::ChildOutput {
public:
  explicit CountOutput(long *bytes) : m_bytes(bytes) {}
  void Output(const char *text, bool) override {
    if (text)
      *m_bytes += static_cast<long>(std::strlen(text));
  }

private:
  long *m_bytes;
};

void BM_ProcessRunTrue(benchmark::State &state) {
  for (auto _ : state) {
    Port::Process p;
    if (p.Run("/bin/true", true, true) != 0 || p.GetChildRetcode() != 0)
      state.SkipWithError("run failed");
  }
}
BENCHMARK(BM_ProcessRunTrue)->Unit(benchmark::kMicrosecond);

void BM_PosixSpawnTrue(benchmark::State &state) {
  char *argv[] = {const_cast<char *>("/bin/true"), nullptr};
  for (auto _ : state) {
    pid_t pid;
    int status = 0;
    if (posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || status != 0)
      state.SkipWithError("spawn failed");
  }
}
BENCHMARK(BM_PosixSpawnTrue)->Unit(benchmark::kMicrosecond);

void BM_ProcessCollect64MiB(benchmark::State &state) {
  std::string cmd = "cat " + outputFile().name;
  for (auto _ : state) {
    long bytes = 0;
    Port::Process p;
    p.Run(cmd.c_str(), std::unique_ptr<Port::ChildOutput>(new CountOutput(&bytes)), 200, true, true,
          false);
    if (bytes < kOutputSize)
      state.SkipWithError("output lost");
  }
  state.SetBytesProcessed(state.iterations() * kOutputSize);
}
BENCHMARK(BM_ProcessCollect64MiB)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_PopenFread64MiB(benchmark::State &state) {
  std::string cmd = "cat " + outputFile().name;
  std::unique_ptr<char[]> buf(new char[65536]);
  for (auto _ : state) {
    long bytes = 0;
    std::FILE *f = popen(cmd.c_str(), "r");
    for (size_t n; (n = std::fread(buf.get(), 1, 65536, f)) > 0;)
      bytes += static_cast<long>(n);
    pclose(f);
    if (bytes < kOutputSize)
      state.SkipWithError("output lost");
  }
  state.SetBytesProcessed(state.iterations() * kOutputSize);
}
BENCHMARK(BM_PopenFread64MiB)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
