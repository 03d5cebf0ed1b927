// Environment variables, the platform word and the user-interface language.
#include "Port_Env.h"
#include "child_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using porttest::ChildResult;
using porttest::kUnset;
using porttest::runProgram;
using porttest::testProgram;

TEST(EnvVariables, PutGetAndUnset) {
  ASSERT_EQ(0, Port_Env::PutEnv("PORT_ENV_TEST_VAR=some value"));
  ASSERT_NE(nullptr, Port_Env::GetEnv("PORT_ENV_TEST_VAR"));
  EXPECT_STREQ("some value", Port_Env::GetEnv("PORT_ENV_TEST_VAR"));
  EXPECT_EQ(0, Port_Env::UnsetEnv("PORT_ENV_TEST_VAR"));
  EXPECT_EQ(nullptr, Port_Env::GetEnv("PORT_ENV_TEST_VAR"));
  EXPECT_EQ(nullptr, Port_Env::GetEnv(static_cast<const char *>(nullptr)));
}

TEST(EnvVariables, AssignmentWithoutNameOrEqualsIsRefused) {
  EXPECT_NE(0, Port_Env::PutEnv("NOEQUALS"));
  EXPECT_NE(0, Port_Env::PutEnv("=value"));
}

TEST(EnvVariables, WritableNameFormDecodesAScrambledNameInPlace) {
  ASSERT_EQ(0, Port_Env::PutEnv("PORTX=decoded"));
  char name[] = "PORTX";
  EXPECT_STREQ("decoded", Port_Env::GetEnv(name));
  EXPECT_STREQ("PORTX", name); // a plain name stays as it is
}

// Threads that add and remove variables while others read: the block moves as it grows, and
// a reader must never see it half moved.
TEST(EnvConcurrency, ReadersSeeWholeValuesWhileOthersChangeTheBlock) {
  ASSERT_EQ(0, Port_Env::PutEnv("PORT_STEADY=steady"));
  std::atomic<bool> done{false};
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int w = 0; w < 2; ++w)
    threads.emplace_back([w, &done] {
      for (int i = 0; i < 3000; ++i) {
        const std::string name = "PORT_GROW_" + std::to_string(w) + "_" + std::to_string(i);
        Port_Env::PutEnv((name + "=" + std::to_string(i)).c_str());
        if (i % 3 == 0)
          Port_Env::UnsetEnv(name.c_str());
      }
      done = true;
    });
  for (int r = 0; r < 2; ++r)
    threads.emplace_back([&done, &wrong] {
      while (!done) {
        const char *v = Port_Env::GetEnv("PORT_STEADY");
        if (!v || std::strcmp(v, "steady") != 0)
          ++wrong;
        const char *g = Port_Env::GetEnv("PORT_GROW_0_1");
        if (g && std::strcmp(g, "1") != 0)
          ++wrong;
      }
    });
  for (std::thread &t : threads)
    t.join();
  EXPECT_EQ(0, wrong.load());
  EXPECT_STREQ("2999", Port_Env::GetEnv("PORT_GROW_1_2999"));
  EXPECT_EQ(nullptr, Port_Env::GetEnv("PORT_GROW_1_2997"));
}

TEST(EnvPlatform, ThisLibraryReportsWindowsNt) {
  EXPECT_EQ(256, Port_Env::GetMachineType());
  EXPECT_TRUE(Port_Env::IsNt());
  EXPECT_FALSE(Port_Env::IsSol());
  EXPECT_FALSE(Port_Env::IsLinux());
  EXPECT_STREQ("nt", Port_Env::GetPlatformPath());
}

TEST(EnvLanguage, ChosenFromLanguageOrTheUsersLocale) {
  const struct {
    const char *language;
    const char *lang;
    const char *out;
    const char *err;
  } cases[] = {
      {kUnset, "en_US.UTF-8", "usenglish\nusenglish\n", ""},
      {kUnset, "ja_JP.UTF-8", "japanese\njapanese\n", ""},
      {"japanese", "en_US.UTF-8", "japanese\njapanese\n", ""},
      {"usenglish", "ja_JP.UTF-8", "usenglish\nusenglish\n", ""},
      {"german", "de_DE.UTF-8", "usenglish\nusenglish\n",
       "WARNING: german is not supported as a language.  Using usenglish.\n"},
      {"Japanese", kUnset, "usenglish\nusenglish\n",
       "WARNING: Japanese is not supported as a language.  Using usenglish.\n"},
  };
  for (const auto &c : cases) {
    const ChildResult r = runProgram(testProgram("envprobe"), {"lang"},
                                     {{"LANGUAGE", c.language},
                                      {"LANG", c.lang},
                                      {"LC_ALL", kUnset},
                                      {"LC_MESSAGES", kUnset},
                                      {"QEL_NOMSGBOX", "1"}});
    EXPECT_EQ(0, r.status);
    EXPECT_EQ(c.out, r.out) << c.language << " " << c.lang;
    EXPECT_EQ(c.err, r.err) << c.language << " " << c.lang;
  }
}

TEST(EnvLanguage, LcAllOutranksLang) {
  const ChildResult r =
      runProgram(testProgram("envprobe"), {"lang"},
                 {{"LANGUAGE", kUnset}, {"LANG", "en_US.UTF-8"}, {"LC_ALL", "ja_JP.UTF-8"}});
  EXPECT_EQ("japanese\njapanese\n", r.out);
}

TEST(EnvTestMode, ReadFromQelTest) {
  EXPECT_EQ("on\n", runProgram(testProgram("envprobe"), {"testmode"}, {{"QEL_TEST", "on"}}).out);
  EXPECT_EQ("(null)\n",
            runProgram(testProgram("envprobe"), {"testmode"}, {{"QEL_TEST", kUnset}}).out);
}
