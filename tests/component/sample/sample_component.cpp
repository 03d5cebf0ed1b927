// sample_component.cpp - libSampleComp.so: a component library with one factory for two
// counted classes, its registration entry, an interpreter package entry, and entries for the
// dynamic-library tests (one exported under its lowered name).
#include "sample_component.h"

#include "Cit_Factory.h"

namespace {

int liveObjects = 0;
int entryCalls = 0;
int initCalls = 0;
int finiCalls = 0;
Tcl_Interp *lastInterp = nullptr;

class Counted : public CommonI::IRefCount {
public:
  Counted() { ++liveObjects; }
  ~Counted() override { --liveObjects; }
  int AddRef() override { return ++m_count; }
  int Release() override {
    int left = --m_count;
    if (left == 0)
      delete this;
    return left;
  }

private:
  int m_count = 1; // the creator's reference
};

class Sample : public Counted, public SampleI::ISample {
public:
  explicit Sample(const char *name) : m_name(name) {}
  CitI::IInterface *GetInterface(const Port::QUID &id) override {
    if (id == CommonI::IRefCount::InterfaceID())
      return static_cast<CommonI::IRefCount *>(this);
    if (id == SampleI::ISample::InterfaceID() || id == CitI::IInterface::InterfaceID())
      return static_cast<SampleI::ISample *>(this);
    return nullptr;
  }
  const char *ClassName() override { return m_name; }
  bool Control(const Port::StringBase<char> &text) override { return !text.IsEmpty(); }

private:
  const char *m_name;
};

class SampleFactory : public Counted, public CitI::IFactory {
public:
  CitI::IInterface *GetInterface(const Port::QUID &id) override {
    if (id == CommonI::IRefCount::InterfaceID())
      return static_cast<CommonI::IRefCount *>(this);
    if (id == CitI::IInterface::InterfaceID())
      return static_cast<CitI::IFactory *>(this);
    return nullptr;
  }
  CitI::IInterface *CreateInstance(const Port::QUID &classId) override {
    if (classId == SampleI::CounterClassID())
      return static_cast<SampleI::ISample *>(new Sample("Counter"));
    if (classId == SampleI::EchoClassID())
      return static_cast<SampleI::ISample *>(new Sample("Echo"));
    return nullptr;
  }
};

} // namespace

extern "C" {

__attribute__((visibility("default"))) void InstFactoryEntry() {
  ++entryCalls;
  SampleFactory *factory = new SampleFactory;
  CitP::Factory::RegisterFactory(SampleI::CounterClassID(), factory);
  CitP::Factory::RegisterFactory(SampleI::EchoClassID(), factory);
  factory->Release(); // the registry holds it now
}

__attribute__((visibility("default"))) int Samplecomp_Init(Tcl_Interp *interp) {
  lastInterp = interp;
  return 0;
}

__attribute__((visibility("default"))) int SampleLiveObjects() { return liveObjects; }
__attribute__((visibility("default"))) int SampleEntryCalls() { return entryCalls; }
__attribute__((visibility("default"))) int SampleInitCalls() { return initCalls; }
__attribute__((visibility("default"))) int SampleFiniCalls() { return finiCalls; }
__attribute__((visibility("default"))) Tcl_Interp *SampleLastInterp() { return lastInterp; }

// "klmisxs~" with every character code lowered by 10 is "abc_init": PortDynamicLib finds this
// entry under the lowered form first. "SampleInit" has no lowered twin and is found as given.
__attribute__((visibility("default"))) void abc_init() { ++initCalls; }
__attribute__((visibility("default"))) void SampleInit() { initCalls += 100; }
__attribute__((visibility("default"))) void SampleFini() { ++finiCalls; }
}
