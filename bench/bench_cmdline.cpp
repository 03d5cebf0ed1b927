// bench_cmdline.cpp - a tool's command line of about 20 switches: compiled and checked by the
// format language, against a hand-written getopt_long_only loop over the same vector that does
// the same range checks and adds the same default extensions.
#include "basutcmdarg.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <getopt.h>
#include <string>
#include <vector>

namespace {

const char *const kFormat =
    "tool <design[.ncd]> [<pcf[.pcf]>] [-o <out[.ncd]>] [-p <part>] [-l <level:1,5>] "
    "[-t <tries:1,100>] [-s <seed:0,1000>] [-m fast|slow|normal] {-v} [-q] [-w] [-x] "
    "[-n <count:1,100>] [-r <report>] [-d <dir>] [-e <effort:1,5>] [-k] [-u] [-g <guide>] "
    "[-intstyle ise|xflow|silent] [-ol std|med|high]";

const char *const kArgv[] = {"design", "-o", "out", "-p", "xc3s500e",  "-l",      "3",
                             "-t",     "10", "-v",  "-v", "-intstyle", "ise",     "-ol",
                             "high",   "-w", "-n",  "5",  "-r",        "rep.txt", "constraints"};
const int kArgc = sizeof kArgv / sizeof kArgv[0];

void BM_FormatCompileAndCheck(benchmark::State &state) {
  for (auto _ : state) {
    UT_CMDOPCODES ops(kFormat);
    UT_ARGINFO info;
    const bool ok = UT_CMDCHK(static_cast<unsigned char>(1)).chkargs(kArgc, kArgv, ops, info);
    if (!ok || info.numsw != 11)
      state.SkipWithError("check failed");
    benchmark::DoNotOptimize(info.args);
  }
}
BENCHMARK(BM_FormatCompileAndCheck);

void BM_FormatCheckOnly(benchmark::State &state) {
  UT_CMDOPCODES ops(kFormat);
  UT_CMDCHK check(static_cast<unsigned char>(1));
  for (auto _ : state) {
    UT_ARGINFO info;
    if (!check.chkargs(kArgc, kArgv, ops, info))
      state.SkipWithError("check failed");
    benchmark::DoNotOptimize(info.args);
  }
}
BENCHMARK(BM_FormatCheckOnly);

// The same rules by hand.
bool inRange(const char *text, long lo, long hi, long *value) {
  char *end = nullptr;
  *value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && *value >= lo && *value <= hi;
}

std::string withExtension(const char *name, const char *ext) {
  const char *slash = std::strrchr(name, '/');
  return std::strchr(slash ? slash : name, '.') ? std::string(name) : std::string(name) + ext;
}

bool oneOf(const char *text, std::initializer_list<const char *> words) {
  for (const char *w : words)
    if (std::strcmp(text, w) == 0)
      return true;
  return false;
}

void BM_GetoptLongLoop(benchmark::State &state) {
  static const option kOptions[] = {
      {"o", required_argument, nullptr, 'o'},  {"p", required_argument, nullptr, 'p'},
      {"l", required_argument, nullptr, 'l'},  {"t", required_argument, nullptr, 't'},
      {"s", required_argument, nullptr, 's'},  {"m", required_argument, nullptr, 'm'},
      {"v", no_argument, nullptr, 'v'},        {"q", no_argument, nullptr, 'q'},
      {"w", no_argument, nullptr, 'w'},        {"x", no_argument, nullptr, 'x'},
      {"n", required_argument, nullptr, 'n'},  {"r", required_argument, nullptr, 'r'},
      {"d", required_argument, nullptr, 'd'},  {"e", required_argument, nullptr, 'e'},
      {"k", no_argument, nullptr, 'k'},        {"u", no_argument, nullptr, 'u'},
      {"g", required_argument, nullptr, 'g'},  {"intstyle", required_argument, nullptr, 'I'},
      {"ol", required_argument, nullptr, 'O'}, {nullptr, 0, nullptr, 0}};
  std::vector<char *> argv;
  std::vector<std::string> storage{"tool"};
  for (const char *a : kArgv)
    storage.push_back(a);
  for (auto _ : state) {
    argv.clear();
    for (std::string &s : storage)
      argv.push_back(&s[0]);
    argv.push_back(nullptr);
    optind = 0; // restart the scan
    opterr = 0;
    int switches = 0;
    bool ok = true;
    std::string out;
    long value = 0;
    int c;
    const int argc = static_cast<int>(argv.size()) - 1;
    while (ok && (c = getopt_long_only(argc, argv.data(), "", kOptions, nullptr)) != -1) {
      ++switches;
      switch (c) {
      case 'o':
        out = withExtension(optarg, ".ncd");
        break;
      case 'l':
      case 'e':
        ok = inRange(optarg, 1, 5, &value);
        break;
      case 't':
      case 'n':
        ok = inRange(optarg, 1, 100, &value);
        break;
      case 's':
        ok = inRange(optarg, 0, 1000, &value);
        break;
      case 'm':
        ok = oneOf(optarg, {"fast", "slow", "normal"});
        break;
      case 'I':
        ok = oneOf(optarg, {"ise", "xflow", "silent"});
        break;
      case 'O':
        ok = oneOf(optarg, {"std", "med", "high"});
        break;
      case '?':
        ok = false;
        break;
      default:
        break;
      }
    }
    // getopt moved the positional arguments to the end
    if (argc - optind != 2)
      ok = false;
    std::string design = withExtension(argv[optind], ".ncd");
    std::string pcf = withExtension(argv[optind + 1], ".pcf");
    if (!ok || switches != 11)
      state.SkipWithError("getopt loop failed");
    benchmark::DoNotOptimize(design);
    benchmark::DoNotOptimize(pcf);
  }
}
BENCHMARK(BM_GetoptLongLoop);

} // namespace
