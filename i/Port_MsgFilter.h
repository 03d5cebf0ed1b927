// Port_MsgFilter.h - the message-filtering component of the suite's utilities library, which
// Port_MsgDispatcher::controlMessageProcessing loads through the component factory and hands
// control strings to.
//
// Threads: the control strings switch the dispatcher's filter under the dispatcher lock, so they
// may be sent from any thread; loading the component goes through the factory registry, which
// is not locked (Cit_Factory.h). The component's reference count is a plain integer: an
// instance is used by one thread at a time.
#ifndef PORT_MSGFILTER_H
#define PORT_MSGFILTER_H

#include "Port_Export.h"

#include "Cit_Interface.h"

namespace UtilI {

class PORT_API IMessageFiltering : public CitI::IInterface {
public:
  // Acts on a control string; the answer is the component's (see its library for the
  // strings it knows).
  virtual bool ControlMessageProcessing(const Port::StringBase<char> &control) = 0;
  static const Port::QUID &InterfaceID(); // {bf2cf11a-4f17-4851-bf24-a31da3ba1e61}
};

} // namespace UtilI

namespace Port {
// The class of the message-filtering component: {ed59281d-36f1-4476-a649-294b5dba7ae9}.
PORT_API const QUID &CMessageFilteringCompID();
// The utilities library that implements it, as the factory finds it under bin/nt of the
// installation ("libQuelmoUtil").
PORT_API const char *CMessageFilteringLibraryName();
} // namespace Port

#endif
