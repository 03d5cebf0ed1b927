// component_fixture.h - where the sample component library lies, and its test entries.
#ifndef PORT_TEST_COMPONENT_FIXTURE_H
#define PORT_TEST_COMPONENT_FIXTURE_H

#include "PortDynamicLib.h"
#include "sample/sample_component.h"

#include <string>

namespace porttest {

// The sample library in the private installation tree of the build (MYQUELMO of the tests).
inline std::string sampleLibrary() {
  return std::string(PORT_TEST_PRIVATE_TREE) + "/bin/nt/libSampleComp.so";
}

// Reads a counter of a loaded sample library through an entry point.
inline int sampleCount(const PortDynamicLib &lib, const char *entry) {
  SampleCountFunction f = reinterpret_cast<SampleCountFunction>(lib.getEntryPoint(entry));
  return f ? f() : -1;
}

} // namespace porttest

#endif
