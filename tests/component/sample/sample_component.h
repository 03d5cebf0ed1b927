// sample_component.h - the interface and identifiers of the sample component library
// (libSampleComp.so), a small utilities component that the component tests load through the
// factory.
#ifndef PORT_TEST_SAMPLE_COMPONENT_H
#define PORT_TEST_SAMPLE_COMPONENT_H

#include "Cit_Interface.h"

namespace SampleI {

// A counted object that tells its class and echoes text.
class ISample : public CitI::IInterface {
public:
  virtual const char *ClassName() = 0;
  virtual bool Control(const Port::StringBase<char> &text) = 0; // true for non-empty text
  static const Port::QUID &InterfaceID() {
    static const Port::QUID *id = new Port::QUID("{6a1c2e90-3b4d-4e5f-8a6b-7c8d9e0f1a2b}");
    return *id;
  }
};

// The two classes the library's factory makes; one factory object serves both.
inline const Port::QUID &CounterClassID() {
  static const Port::QUID *id = new Port::QUID("{0d9c8b7a-6f5e-4d3c-2b1a-0f9e8d7c6b5a}");
  return *id;
}
inline const Port::QUID &EchoClassID() {
  static const Port::QUID *id = new Port::QUID("{1e2d3c4b-5a69-4788-96a5-b4c3d2e1f0a9}");
  return *id;
}

} // namespace SampleI

// Entry points besides the factory's, looked up by the tests with PortDynamicLib.
extern "C" {
typedef int (*SampleCountFunction)();
typedef Tcl_Interp *(*SampleInterpFunction)();
// "SampleLiveObjects": objects alive (factory included); "SampleEntryCalls": how often
// InstFactoryEntry ran; "SampleInitCalls"/"SampleFiniCalls": the PortDynamicLib entries;
// "SampleLastInterp": the interpreter that Samplecomp_Init was given.
}

#endif
