// Cit_Interface.h - the interfaces of the component model. Interfaces are abstract classes
// named by Port::QUID values; any interface can be asked for any other by identifier, and
// reference counting is an interface of its own (CommonI::IRefCount).
//
// Threads: the interfaces add no locking of their own; whether one object may be used from
// several threads is up to the component that implements it. The InterfaceID() identifiers are
// made once, on first use, safely from any thread, and only read afterwards. AddRef and Release
// take no lock: share a counted object between threads only where its IRefCount allows it.
#ifndef CIT_INTERFACE_H
#define CIT_INTERFACE_H

#include "Port_Export.h"

#include "Port_QUID.h"
#include "Port_StringBase.h"

struct Tcl_Interp;

namespace CitI {

class PORT_API IInterface {
public:
  // The requested interface of this object, or null. No reference is taken.
  virtual IInterface *GetInterface(const Port::QUID &id) = 0;
  virtual ~IInterface() {}
  static const Port::QUID &InterfaceID(); // {c569a982-87c5-4d45-8a2c-17b796723bdc}
};

// Makes objects of the classes it was registered for.
class PORT_API IFactory : public IInterface {
public:
  // A new object of the class, or null.
  virtual IInterface *CreateInstance(const Port::QUID &classId) = 0;
};

} // namespace CitI

namespace CommonI {

class PORT_API IRefCount : public CitI::IInterface {
public:
  virtual int AddRef() = 0;               // the new count
  virtual int Release() = 0;              // the new count; the object is gone at 0
  static const Port::QUID &InterfaceID(); // {f3524653-0fb8-4605-a6c1-6e80946a2cdd}
};

} // namespace CommonI

namespace CitP {

class PORT_API IFactoryAPI : public CitI::IInterface {
public:
  virtual CitI::IInterface *CreateInstance(const Port::QUID &classId) = 0;
  virtual void RegisterFactory(const Port::QUID &classId, CitI::IFactory *factory) = 0;
  virtual void UnRegisterFactory(CitI::IFactory *factory) = 0;
  virtual bool LoadLibraryFactory(const Port::StringBase<char> &name, Tcl_Interp *interp) = 0;
  static const Port::QUID &InterfaceID(); // {18dd76b4-1efa-4d83-8860-57c14f43d193}
};

// Takes or drops a reference on an object that implements CommonI::IRefCount; other objects
// are left alone. Both return false for those (and for null).
PORT_API bool AddRef(CitI::IInterface *object);
PORT_API bool Release(CitI::IInterface *object);

} // namespace CitP

#endif
