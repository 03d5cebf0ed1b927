// UT_SPAWN: splitting, waiting for the exit status, starts without waiting, errors.
#include "basutspawn.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

struct SplitCase {
  const char *cmdline;
  int status; // the child's exit status: the number of arguments or the length of $1
};

TEST(Spawn, SplitsAtBlanksGroupsQuotesAndKeepsEmptyArguments) {
  const SplitCase cases[] = {
      {"sh -c \"exit $#\" x \"a b\" c", 2}, {"sh -c \"exit ${#1}\" x \"a b\" c", 3},
      {"sh -c \"exit $#\" x \"\" c", 2},    {"sh -c \"exit ${#1}\" x a\"b c\"d", 5},
      {"  sh   -c  \"exit 7\"  ", 7},
  };
  for (const SplitCase &c : cases) {
    UT_SPAWN s;
    ASSERT_EQ(s.spawn_and_wait(c.cmdline), 0) << c.cmdline;
    EXPECT_EQ(s.get_child_retcode(), c.status) << c.cmdline;
    EXPECT_STREQ(s.get_name(), "sh");
    EXPECT_STREQ(s.errmsg(), "");
  }
}

TEST(Spawn, BadCommandLinesAreInternalErrors) {
  for (const char *cmd : {"   ", "sh -c \"exit 1", static_cast<const char *>(nullptr)}) {
    UT_SPAWN s;
    EXPECT_EQ(s.spawn(cmd, 1), 1);
    EXPECT_STREQ(s.errmsg(), "Internal spawn error.");
  }
}

TEST(Spawn, UnknownProgramGivesItsNameAndTheReason) {
  UT_SPAWN s;
  EXPECT_EQ(s.spawn_and_wait("no_such_program_here_42 a"), 1);
  EXPECT_EQ(s.get_spawn_errno(), ENOENT);
  EXPECT_STREQ(s.errmsg(), "no_such_program_here_42:  No such file or directory");
  // Not waiting: the start is reported as done whatever became of it.
  EXPECT_EQ(s.spawn("no_such_program_here_42", 0), 0);
}

TEST(Spawn, ArgumentVectorAndStartWithoutWaiting) {
  porttest::TempTree tree;
  std::string mark = tree.root() + "/mark file";
  const char *argv[] = {"sh", "-c", "echo done > \"$1\"", "x", mark.c_str()};
  UT_SPAWN s;
  ASSERT_EQ(s.spawn(5, argv, 0), 0);
  for (int i = 0; i < 200 && !std::filesystem::exists(mark); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(std::filesystem::exists(mark));
  const char *exit3[] = {"sh", "-c", "exit 3"};
  EXPECT_EQ(s.spawn_and_wait(3, exit3), 0);
  EXPECT_EQ(s.get_child_retcode(), 3);
  EXPECT_EQ(s.get_child_sig(), 0);
}

TEST(Spawn, CopiesOwnTheirName) {
  UT_SPAWN a;
  ASSERT_EQ(a.spawn_and_wait("true"), 0);
  {
    UT_SPAWN b(a);
    UT_SPAWN c;
    c = a;
    EXPECT_STREQ(b.get_name(), "true");
    EXPECT_STREQ(c.get_name(), "true");
    EXPECT_NE(b.get_name(), a.get_name());
  }
  EXPECT_STREQ(a.get_name(), "true");
}

TEST(Spawn, ProgramWithoutAccessIsTriedAgainWithExeAlongPath) {
  porttest::TempTree tree;
  tree.write("tool", "not a program\n"); // found first, but not executable: EACCES
  std::string exe = tree.write("tool.exe", "#!/bin/sh\nexit 4\n");
  std::filesystem::permissions(exe, std::filesystem::perms::owner_all);
  std::string oldPath = std::getenv("PATH");
  setenv("PATH", (tree.root() + ":" + oldPath).c_str(), 1);
  UT_SPAWN s;
  int result = s.spawn_and_wait("tool");
  setenv("PATH", oldPath.c_str(), 1);
  ASSERT_EQ(result, 0);
  EXPECT_EQ(s.get_child_retcode(), 4);
}

} // namespace
