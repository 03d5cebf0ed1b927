// Shared string against std::string, and Port_Regexp against std::regex and RE2, on the same
// inputs.
// Pairs are named <operation>/<Port|Std> so that a run reads as a table of ratios.
#include "Port_Regexp.h"
#include "Port_StringBase.h"

#include <benchmark/benchmark.h>

#include <re2/re2.h>
#include <regex>
#include <string>
#include <vector>

namespace {

using Str = Port::StringBase<char>;
using Exp = Port::StringExp<char>;

const std::string kText64(64, 'x');

std::string Haystack() {
  std::string h;
  for (int i = 0; h.size() < 4096; ++i)
    h += "lorem ipsum dolor sit amet " + std::to_string(i) + " ";
  return h + "needle";
}

std::string CsvLine() {
  std::string line;
  for (int i = 0; i < 50; ++i)
    line += (i ? "," : "") + std::string("field") + std::to_string(i);
  return line;
}

// Copy: a count increment against a heap copy (64 characters do not fit the small buffer).
void Copy_Port(benchmark::State &state) {
  const Str s(kText64.c_str());
  for (auto _ : state) {
    Str c(s);
    benchmark::DoNotOptimize(c.GetBuffer());
  }
}
void Copy_Std(benchmark::State &state) {
  const std::string s(kText64);
  for (auto _ : state) {
    std::string c(s);
    benchmark::DoNotOptimize(c.data());
  }
}

// Append 1000 pieces of 5 characters.
template <class S> void appendShort(benchmark::State &state) {
  for (auto _ : state) {
    S s;
    for (int i = 0; i < 1000; ++i)
      s.Append("abcde", 5);
    benchmark::DoNotOptimize(s.GetBuffer());
  }
}
void AppendShort_Port(benchmark::State &state) { appendShort<Str>(state); }
void AppendShort_PortExp(benchmark::State &state) { appendShort<Exp>(state); }
void AppendShort_Std(benchmark::State &state) {
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < 1000; ++i)
      s.append("abcde", 5);
    benchmark::DoNotOptimize(s.data());
  }
}

// Ordering of two 64-character texts that differ in the last character.
void Compare_Port(benchmark::State &state) {
  const Str a(kText64.c_str()), b((kText64.substr(0, 63) + "y").c_str());
  for (auto _ : state)
    benchmark::DoNotOptimize(a.Compare(b));
}
void Compare_Std(benchmark::State &state) {
  const std::string a(kText64), b(kText64.substr(0, 63) + "y");
  for (auto _ : state)
    benchmark::DoNotOptimize(a.compare(b));
}

// Search for a word at the end of 4 KB of text.
void Search_Port(benchmark::State &state) {
  const Str h(Haystack().c_str());
  for (auto _ : state)
    benchmark::DoNotOptimize(h.GetIndexOfString("needle"));
}
void Search_Std(benchmark::State &state) {
  const std::string h(Haystack());
  for (auto _ : state)
    benchmark::DoNotOptimize(h.find("needle"));
}

// Split a line of 50 comma-separated fields into strings.
void Split_Port(benchmark::State &state) {
  const std::string line = CsvLine();
  for (auto _ : state) {
    std::vector<Str> v = Str::Split(line.c_str(), ",");
    benchmark::DoNotOptimize(v.data());
  }
}
void Split_Std(benchmark::State &state) {
  const std::string line = CsvLine();
  for (auto _ : state) {
    std::vector<std::string> v;
    size_t from = 0;
    for (;;) {
      const size_t at = line.find(',', from);
      if (at != from)
        v.push_back(line.substr(from, at == std::string::npos ? std::string::npos : at - from));
      if (at == std::string::npos)
        break;
      from = at + 1;
    }
    benchmark::DoNotOptimize(v.data());
  }
}

// Regular expressions: one search per pattern over about 1 KB of text; compiling is outside the
// loop for both.
const char *const kPatterns[] = {"a+b", "[0-9]+", "^lorem", "x.*y", "amet$", "s[aeiou]t"};

std::string RegexText() {
  std::string t;
  while (t.size() < 1024)
    t += "lorem ipsum dolor sit amet aaaa ";
  return t + "aab 12345 xzy amet";
}

// One search an iteration with the row's pattern, compiled once as a Re; search(re, text).
template <class Re, class Search> void regexpLoop(benchmark::State &state, Search search) {
  const std::string text = RegexText();
  const char *pattern = kPatterns[state.range(0)];
  const Re re(pattern);
  for (auto _ : state)
    benchmark::DoNotOptimize(search(re, text));
  state.SetLabel(pattern);
}

void Regexp_Port(benchmark::State &state) {
  regexpLoop<Port_Regexp>(state, [](const Port_Regexp &re, const std::string &text) {
    return re.GetRangeOfMatch(text.c_str());
  });
}
void Regexp_Std(benchmark::State &state) {
  regexpLoop<std::regex>(state, [](const std::regex &re, const std::string &text) {
    std::smatch m;
    return std::regex_search(text, m, re);
  });
}
// RE2 finds the same leftmost match and its extent (one submatch: the whole match).
void Regexp_Re2(benchmark::State &state) {
  regexpLoop<re2::RE2>(state, [](const re2::RE2 &re, const std::string &text) {
    re2::StringPiece m;
    return re.Match(text, 0, text.size(), re2::RE2::UNANCHORED, &m, 1);
  });
}

} // namespace

BENCHMARK(Copy_Port);
BENCHMARK(Copy_Std);
BENCHMARK(AppendShort_Port);
BENCHMARK(AppendShort_PortExp);
BENCHMARK(AppendShort_Std);
BENCHMARK(Compare_Port);
BENCHMARK(Compare_Std);
BENCHMARK(Search_Port);
BENCHMARK(Search_Std);
BENCHMARK(Split_Port);
BENCHMARK(Split_Std);
BENCHMARK(Regexp_Port)->DenseRange(0, 5);
BENCHMARK(Regexp_Std)->DenseRange(0, 5);
BENCHMARK(Regexp_Re2)->DenseRange(0, 5);
