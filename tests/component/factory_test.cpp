// CitP::Factory and CitP::InstanceTable with the sample component library and with factories of
// the test's own.
#include "Cit_Factory.h"
#include "Cit_InstanceTable.h"
#include "component_fixture.h"
#include "temp_tree.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using porttest::sampleCount;
using porttest::sampleLibrary;

SampleI::ISample *asSample(CitI::IInterface *object) {
  return object ? dynamic_cast<SampleI::ISample *>(
                      object->GetInterface(SampleI::ISample::InterfaceID()))
                : nullptr;
}

// A counted factory of the test's own that makes no objects.
class LocalFactory : public CommonI::IRefCount, public CitI::IFactory {
public:
  explicit LocalFactory(int *refs) : m_refs(refs) {}
  CitI::IInterface *GetInterface(const Port::QUID &id) override {
    if (id == CommonI::IRefCount::InterfaceID())
      return static_cast<CommonI::IRefCount *>(this);
    return nullptr;
  }
  CitI::IInterface *CreateInstance(const Port::QUID &) override { return nullptr; }
  int AddRef() override { return ++*m_refs; }
  int Release() override { return --*m_refs; }

private:
  int *m_refs;
};

class Factory : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(CitP::Factory::LoadLibraryFactory("libSampleComp"))
        << "libSampleComp.so is looked for under MYQUELMO=" << PORT_TEST_PRIVATE_TREE;
  }
  PortDynamicLib m_holder{sampleLibrary().c_str()}; // the same mapping: reads its counters
};

TEST_F(Factory, LoadsALibraryOnceByBareNameAndByAbsolutePath) {
  EXPECT_EQ(sampleCount(m_holder, "SampleEntryCalls"), 1);
  EXPECT_TRUE(CitP::Factory::LoadLibraryFactory("libSampleComp.so"));
  EXPECT_TRUE(CitP::Factory::LoadLibraryFactory(sampleLibrary().c_str()));
  std::string windowsForm = sampleLibrary();
  for (char &c : windowsForm)
    if (c == '/')
      c = '\\';
  EXPECT_TRUE(CitP::Factory::LoadLibraryFactory(("C:" + windowsForm).c_str()));
  std::string dotted = std::string(PORT_TEST_PRIVATE_TREE) + "/bin/../bin/nt/libSampleComp.so";
  EXPECT_TRUE(CitP::Factory::LoadLibraryFactory(dotted.c_str()));
  EXPECT_EQ(sampleCount(m_holder, "SampleEntryCalls"), 1);
  EXPECT_FALSE(CitP::Factory::LoadLibraryFactory("libNoSuchComponent"));
}

TEST_F(Factory, CreatesObjectsByIdentifierWithCountsRight) {
  int live = sampleCount(m_holder, "SampleLiveObjects");
  CitI::IInterface *counter = CitP::Factory::CreateInstance(SampleI::CounterClassID());
  ASSERT_NE(asSample(counter), nullptr);
  EXPECT_STREQ(asSample(counter)->ClassName(), "Counter");
  EXPECT_TRUE(asSample(counter)->Control("on"));
  {
    CitP::InstanceRef echo = CitP::Factory::CreateInstanceRef(SampleI::EchoClassID());
    ASSERT_NE(asSample(echo.get()), nullptr);
    EXPECT_STREQ(asSample(echo.get())->ClassName(), "Echo");
    EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live + 2);
  }
  EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live + 1);
  EXPECT_TRUE(CitP::Release(counter));
  EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live);
  EXPECT_EQ(CitP::Factory::CreateInstance(Port::QUID("{00000000-0000-0000-0000-0000000000ff}")),
            nullptr);
}

TEST_F(Factory, InstanceTableHoldsAndHandsOutReferences) {
  int live = sampleCount(m_holder, "SampleLiveObjects");
  const Port::QUID name("{99999999-0000-0000-0000-000000000001}");
  CitI::IInterface *object = CitP::Factory::CreateInstance(SampleI::CounterClassID());
  CitP::InstanceTable::RegisterInstance(name, object);
  CitP::Release(object); // the table's reference keeps it
  EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live + 1);
  CitI::IInterface *got = CitP::InstanceTable::GetInstance(name);
  EXPECT_EQ(got, object);
  CitP::InstanceTable::UnRegisterInstance(object);
  EXPECT_EQ(CitP::InstanceTable::GetInstance(name), nullptr);
  EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live + 1); // the caller's reference
  CitP::Release(got);
  EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live);

  CitI::IInterface *echo = CitP::Factory::CreateInstance(SampleI::EchoClassID());
  CitP::InstanceTable::RegisterInstance(name, echo);
  CitP::InstanceTable::Empty();
  EXPECT_EQ(CitP::InstanceTable::GetInstance(name), nullptr);
  EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live + 1); // the creator's reference
  CitP::Release(echo);
  EXPECT_EQ(sampleCount(m_holder, "SampleLiveObjects"), live);
}

TEST_F(Factory, ReplacingAFactoryReleasesItAndKeepsItsOtherClasses) {
  int firstRefs = 1, secondRefs = 1;
  LocalFactory first(&firstRefs), second(&secondRefs);
  const Port::QUID mine("{77777777-0000-0000-0000-000000000001}");
  CitP::Factory::RegisterFactory(mine, &first);
  EXPECT_EQ(firstRefs, 2);
  CitP::Factory::RegisterFactory(mine, &second);
  EXPECT_EQ(firstRefs, 1);
  EXPECT_EQ(secondRefs, 2);
  CitP::Factory::UnRegisterFactory(&second);
  EXPECT_EQ(secondRefs, 1);

  // The sample factory serves two classes; replacing it under the second leaves the first.
  int localRefs = 1;
  LocalFactory local(&localRefs);
  CitP::Factory::RegisterFactory(SampleI::EchoClassID(), &local);
  EXPECT_EQ(CitP::Factory::CreateInstance(SampleI::EchoClassID()), nullptr);
  CitP::InstanceRef counter = CitP::Factory::CreateInstanceRef(SampleI::CounterClassID());
  ASSERT_NE(asSample(counter.get()), nullptr);
  CitP::Factory::UnRegisterFactory(&local);
  EXPECT_EQ(localRefs, 1);
}

TEST_F(Factory, ImplementationAnswersForItsOwnInterfacesOnly) {
  CitP::FactoryImpl *impl = CitP::Factory::pimpl;
  ASSERT_NE(impl, nullptr);
  EXPECT_EQ(impl->GetInterface(CitP::IFactoryAPI::InterfaceID()), impl);
  EXPECT_EQ(impl->GetInterface(CitI::IInterface::InterfaceID()), impl);
  EXPECT_EQ(impl->GetInterface(CommonI::IRefCount::InterfaceID()), nullptr);
  Port::StringBase<char> path;
  EXPECT_TRUE(impl->FindQuelmoSharedLib("libSampleComp.so", path));
  EXPECT_NE(std::string(path.GetBuffer()).find("\\bin\\nt\\libSampleComp.so"), std::string::npos);
  EXPECT_FALSE(impl->FindQuelmoSharedLib("libSampleComp", path));
}

TEST_F(Factory, InterpreterPackageEntryIsCalledWithTheInterpreter) {
  // A copy under another name is another library, loaded and initialised on its own.
  porttest::TempTree tree;
  std::string copy = tree.root() + "/LIBsampleCOMP.so";
  std::filesystem::copy_file(sampleLibrary(), copy);
  Tcl_Interp *interp = reinterpret_cast<Tcl_Interp *>(&tree);
  ASSERT_TRUE(CitP::Factory::LoadLibraryFactory(copy.c_str(), interp));
  PortDynamicLib copyHolder(copy.c_str());
  SampleInterpFunction last =
      reinterpret_cast<SampleInterpFunction>(copyHolder.getEntryPoint("SampleLastInterp"));
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last(), interp);
}

TEST(FactoryNames, PackageEntryNames) {
  struct Case {
    const char *library;
    const char *entry;
  } cases[] = {{"libSampleComp.so", "Samplecomp_Init"},
               {"LibMiXed", "Mixed_Init"},
               {"C:\\dir\\LIBfoo.dll", "Foo_Init"},
               {"/opt/x/tool.so", "Tool_Init"},
               {"lib", "_Init"}};
  for (const Case &c : cases)
    EXPECT_STREQ(CitP::PackageEntryName(c.library).GetBuffer(), c.entry) << c.library;
}

} // namespace
