// What the default manager writes to the real standard output and standard error, byte for
// byte, for every message type, with and without headers, and how fatal messages end the
// process. Each case runs the msgprobe program in a child process.
#include "child_process.h"

#include <gtest/gtest.h>

#include <regex>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;
using porttest::testProgram;

namespace {
const std::string kFatalSuffix =
    "  The program will now terminate.  For help, see the documentation of your installation "
    "or contact your Quelmo support representative.";

ChildResult probe(const std::vector<std::string> &args,
                  std::map<std::string, std::string> env = {}) {
  env.emplace("QEL_NO_MESSAGE_HEADER", kUnset);
  env.emplace("QEL_MAXLINEWIDTH", kUnset);
  env.emplace("QEL_DROPCORE", kUnset);
  // The layouts themselves, without catalogue numbers and suffixes.
  env.emplace("QEL_NO_TRANSLATE", "1");
  return runProgram(testProgram("msgprobe"), args, porttest::quietEnv(env));
}
} // namespace

TEST(ConsoleLayout, EveryTypeWithHeaders) {
  const ChildResult r = probe({"layouts"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("Processing b.txt.\n"
            "DEBUG - Value is ff.\n"
            "atexit ran\n",
            r.out);
  EXPECT_EQ("ERROR:Portability - Cannot open \"a.txt\" for reading.\n"
            "WARNING:Portability - Disk 2 is nearly full.\n"
            "INFO:Portability - Read 42 lines.\n"
            "INTERNAL_ERROR:Portability:Port_File.cpp:231:1.39 - Unexpected state 7. \n"
            "ERROR:Portability:123 - Numbered error.\n"
            "INTERNAL_ERROR:Portability:Port_File.cpp:21:1.39:77 - Numbered internal. \n"
            "EXCEPTION:Portability:Port_File.cpp:22:1.39 - Something threw.\n"
            "WARNING:Unknown - No location.\n"
            "EXCEPTION:Portability:x.cpp:5:2.7 - Plain revision.\n",
            r.err);
}

TEST(ConsoleLayout, EveryTypeWithoutHeaders) {
  const ChildResult r = probe({"layouts"}, {{"QEL_NO_MESSAGE_HEADER", ""}});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ("Processing b.txt.\n"
            "DEBUG - Value is ff.\n"
            "atexit ran\n",
            r.out);
  EXPECT_EQ("ERROR - Cannot open \"a.txt\" for reading.\n"
            "WARNING - Disk 2 is nearly full.\n"
            "INFO - Read 42 lines.\n"
            "INTERNAL_ERROR - Unexpected state 7. \n"
            "ERROR - Numbered error.\n"
            "INTERNAL_ERROR - Numbered internal. \n"
            "EXCEPTION - Something threw.\n"
            "WARNING - No location.\n"
            "EXCEPTION - Plain revision.\n",
            r.err);
}

TEST(ConsoleLayout, LongMessagesWrapWithIndentedContinuationsExceptStatus) {
  const ChildResult r = probe({"wrap"});
  EXPECT_EQ("WARNING:Portability - The quick brown fox jumps over the lazy dog and keeps\n"
            "   running through the field until the sun goes down behind the hills.\n",
            r.err);
  EXPECT_EQ("The quick brown fox jumps over the lazy dog and keeps running through the field\n"
            "until the sun goes down behind the hills.\n"
            "atexit ran\n",
            r.out);
}

TEST(ConsoleLayout, WiderLineWidthFromTheEnvironment) {
  const ChildResult r = probe({"wrap"}, {{"QEL_MAXLINEWIDTH", "120"}});
  EXPECT_EQ("WARNING:Portability - The quick brown fox jumps over the lazy dog and keeps running "
            "through the field until the sun goes\n"
            "   down behind the hills.\n",
            r.err);
}

// A fatal message prints its layout and the suffix, runs the exit handlers and exits with its
// value; a user-fatal one prints as an error.
TEST(FatalMessages, PrintTheirLayoutAndExitWithTheValue) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char *out;
    const char *err;
  } cases[] = {
      {{"fatal", "5"},
       5,
       "atexit ran\n",
       "FATAL_ERROR:Portability:Port_File.cpp:231:1.39 - Cannot continue with c.txt.\n"
       "   The program will now terminate.  For help, see the documentation of your\n"
       "   installation or contact your Quelmo support representative.\n"},
      {{"userfatal", "3"}, 3, nullptr, "ERROR:Portability - Bad input d.txt. \n"},
  };
  for (const auto &c : cases) {
    const ChildResult r = probe(c.args);
    EXPECT_EQ(c.status, r.status) << c.args[0];
    if (c.out) {
      EXPECT_EQ(c.out, r.out) << c.args[0];
    }
    EXPECT_EQ(c.err, r.err) << c.args[0];
  }
}

TEST(FatalMessages, ExitValueZeroEndsWithStatusZero) {
  for (const char *dropcore : {kUnset, "1"}) {
    const ChildResult r = probe({"fatal", "0"}, {{"QEL_DROPCORE", dropcore}});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("atexit ran\n", r.out);
  }
}

TEST(FatalMessages, DropCoreTerminatesWithoutCleanUp) {
  const ChildResult r = probe({"fatal", "9"}, {{"QEL_DROPCORE", "yes"}});
  EXPECT_EQ(9, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_NE(std::string::npos, r.err.find("Cannot continue with c.txt."));
}

TEST(FatalMessages, ExitValueThatPosixWouldTruncateToZeroStillFails) {
  const ChildResult r = probe({"fatal", "256"});
  EXPECT_EQ(255, r.status);
}

TEST(FatalMessages, AbortFunctionsRunLastRegisteredFirstAndTheDefaultLast) {
  const ChildResult r = probe({"abort-order", "4"});
  EXPECT_EQ(4, r.status);
  EXPECT_EQ("first abort\nsecond abort\natexit ran\n", r.out);
}

TEST(FatalMessages, DisabledDispatcherAndManagerStillDeliverFatal) {
  const ChildResult r = probe({"fatal-disabled", "6"});
  EXPECT_EQ(6, r.status);
  EXPECT_NE(std::string::npos, r.err.find("FATAL_ERROR:Portability:"));
  EXPECT_EQ(std::string::npos, r.err.find("silenced"));
}

TEST(FatalMessages, MessageBoxTakesFatalTextOffTheConsoleStreams) {
  const ChildResult r =
      probe({"fatal", "2"},
            {{"QEL_NOMSGBOX", kUnset}, {"ORVEK_BUILD", kUnset}, {"PORT_TEST_LOAD_GUI", "1"}});
  EXPECT_EQ(2, r.status);
  EXPECT_EQ(0u, r.err.find("Quelmo: FATAL_ERROR:Portability:Port_File.cpp:231:1.39 - Cannot "
                           "continue with c.txt.\n  The program will now terminate."))
      << r.err;
}

TEST(ConsoleLayout, UnknownTypeIsReportedAsInternalAndNothingElseIsWritten) {
  const ChildResult r = probe({"unknown-type"});
  EXPECT_EQ(0, r.status);
  EXPECT_TRUE(std::regex_match(r.err, std::regex("INTERNAL_ERROR:Portability:"
                                                 "Port_MsgManDefaultImp\\.cpp:[0-9]+:1\\.39 - "
                                                 "Unknown msg type\n"
                                                 "   '42' received for msg 'odd'\\. \n")))
      << r.err;
}

TEST(ConsoleLayout, CatalogueSuppliesNumbersAndTheSuffixOfInternalAndUserFatalMessages) {
  ChildResult r =
      probe({"unknown-type"}, {{"QEL_NO_TRANSLATE", kUnset}, {"QEL_MAXLINEWIDTH", "400"}});
  EXPECT_TRUE(std::regex_match(
      r.err, std::regex("INTERNAL_ERROR:Portability:Port_MsgManDefaultImp\\.cpp:[0-9]+:1\\.39:"
                        "[0-9]+ - Unknown msg type '42' received for msg 'odd'\\.   If the "
                        "problem persists, contact your Quelmo support representative\\.\n")))
      << r.err;
  r = probe({"userfatal", "3"}, {{"QEL_NO_TRANSLATE", kUnset}});
  EXPECT_EQ(3, r.status);
  EXPECT_EQ("ERROR:Portability - Bad input d.txt.   If the problem persists, contact your\n"
            "   Quelmo support representative.\n",
            r.err);
}

TEST(PrintError, WritesTheTextAsItStands) {
  const ChildResult r = probe({"printerror", "100% of %s in C:\\x\n"});
  EXPECT_EQ("100% of %s in C:\\x\n", r.err);
}

TEST(Concurrency, ThreadsIssuingTogetherKeepCountsAndLinesIntact) {
  const ChildResult r = probe({"threads", "4", "150"});
  ASSERT_EQ(0, r.status);
  EXPECT_EQ("warnings 600\natexit ran\n", r.out);
  // Every line carries the tag of its message; a message's lines must stand together, so the
  // tag changes only where a new message (a WARNING header) begins.
  std::istringstream lines(r.err);
  std::string line, current;
  int messages = 0;
  const std::regex tag("(t[0-9]+m[0-9]+)-word");
  while (std::getline(lines, line)) {
    std::smatch m;
    ASSERT_TRUE(std::regex_search(line, m, tag)) << line;
    if (line.rfind("WARNING:Portability - ", 0) == 0) {
      ++messages;
      current = m[1];
    } else {
      ASSERT_EQ(0u, line.rfind("   ", 0)) << line;
      ASSERT_EQ(current, m[1].str()) << "interleaved line: " << line;
    }
  }
  EXPECT_EQ(600, messages);
}
