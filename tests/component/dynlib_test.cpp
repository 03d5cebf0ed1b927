// PortDynamicLib: loading, initialisation and finalisation entries, entry-point lookup, fatal
// reports for missing and unusable libraries.
#include "PortDynamicLib.h"
#include "component_fixture.h"
#include "platform/faults.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using porttest::sampleCount;
using porttest::sampleLibrary;

// The fatal message of a library that cannot be mapped, wrapped wherever the path puts the breaks.
const char *const kUnknownReason =
    "failed[[:space:]]+due[[:space:]]+to[[:space:]]+an[[:space:]]+unknown[[:space:]]+reason";

TEST(DynamicLib, LooksUpEntriesUnderTheLoweredNameFirst) {
  PortDynamicLib holder(sampleLibrary().c_str()); // keeps the counters mapped
  ASSERT_TRUE(holder.isLoaded());
  int before = sampleCount(holder, "SampleInitCalls");
  {
    PortDynamicLib lowered(sampleLibrary().c_str(), "klmisxs~");
    EXPECT_TRUE(lowered.isInitialized());
    EXPECT_EQ(lowered.getEntryPoint("klmisxs~"), holder.getEntryPoint("abc_init"));
    EXPECT_EQ(sampleCount(holder, "SampleInitCalls"), before + 1);
    lowered.initialize("klmisxs~"); // once only
    EXPECT_EQ(sampleCount(holder, "SampleInitCalls"), before + 1);
  }
  PortDynamicLib plain(sampleLibrary().c_str(), "SampleInit");
  EXPECT_EQ(sampleCount(holder, "SampleInitCalls"), before + 101);
  EXPECT_EQ(plain.getEntryPoint("NoSuchEntry"), nullptr);
}

TEST(DynamicLib, UnloadCallsTheFinalisationEntry) {
  PortDynamicLib holder(sampleLibrary().c_str());
  int before = sampleCount(holder, "SampleFiniCalls");
  {
    PortDynamicLib lib(sampleLibrary().c_str(), nullptr, "SampleFini");
    lib.unload(nullptr);
    EXPECT_FALSE(lib.isLoaded());
    EXPECT_EQ(lib.getEntryPoint("SampleFiniCalls"), nullptr);
    EXPECT_EQ(sampleCount(holder, "SampleFiniCalls"), before + 1);
    lib.load(sampleLibrary().c_str(), nullptr); // loadable again; fini runs at destruction
  }
  EXPECT_EQ(sampleCount(holder, "SampleFiniCalls"), before + 2);
}

TEST(DynamicLib, UnloadOfANeverLoadedObjectOnlyClearsFlags) {
  PortDynamicLib lib;
  lib.unload("SampleFini");
  EXPECT_FALSE(lib.isLoaded());
  EXPECT_FALSE(lib.isInitialized());
  EXPECT_TRUE(lib.isValid());
  EXPECT_STREQ(PortDynamicLib::GetFileType(), ".so");
  char out[32];
  EXPECT_STREQ(PortDynamicLib::GetOSEntryPointName("Entry", out), "Entry");
}

TEST(DynamicLibDeathTest, MissingLibraryEndsTheProcessWith92) {
  EXPECT_EXIT(PortDynamicLib("/no/such/dir/libnone.so"), ::testing::ExitedWithCode(92),
              "dll library[[:space:]]+</no/such/dir/libnone.so> does not exist");
}

TEST(DynamicLibDeathTest, UnmappableLibraryEndsTheProcessWith91) {
  porttest::TempTree tree;
  std::string fake = tree.write("libfake.so", "not a shared library\n");
  EXPECT_EXIT(PortDynamicLib(fake.c_str()), ::testing::ExitedWithCode(91), kUnknownReason);
}

// A library the loader cannot map (out of memory here) is the unmappable case.
TEST(DynamicLibDeathTest, RefusedLoadEndsTheProcessWith91) {
  EXPECT_EXIT(
      {
        Port_TestFault(Port_TestDlOpen, 1, 0, ENOMEM);
        PortDynamicLib lib(sampleLibrary().c_str());
      },
      ::testing::ExitedWithCode(91), kUnknownReason);
}

// Entry points that cannot be looked up are missing ones: no initialisation, a null address.
TEST(DynamicLib, RefusedLookupsAreMissingEntries) {
  PortDynamicLib holder(sampleLibrary().c_str());
  const int before = sampleCount(holder, "SampleInitCalls");
  ASSERT_EQ(0, Port_TestFault(Port_TestDlSym, 1, 1, ENOMEM));
  {
    PortDynamicLib lib(sampleLibrary().c_str(), "SampleInit");
    EXPECT_TRUE(lib.isLoaded());
    EXPECT_EQ(nullptr, lib.getEntryPoint("SampleInitCalls"));
  }
  EXPECT_GT(Port_TestFaultHits(Port_TestDlSym), 0);
  Port_TestFaultClear();
  EXPECT_EQ(before, sampleCount(holder, "SampleInitCalls"));
}

} // namespace
