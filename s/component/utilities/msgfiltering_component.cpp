// msgfiltering_component.cpp - libQuelmoUtil.so, the sample utilities library: its factory
// makes the message-filtering component, whose control strings switch the dispatcher's
// message filter:
//   "status"           answers whether filtering is on;
//   "off"              switches filtering off (and drops the filter); answers true;
//   "on APP FILE"      switches filtering on for application APP from filter file FILE (the
//                      rest of the string, blanks included); answers whether it is on now.
// Any other string is refused (false). The library is built beside the installation's
// bin/nt, where Port_MsgDispatcher::controlMessageProcessing finds it.
#include "Cit_Factory.h"
#include "Port_MsgDispatcher.h"
#include "Port_MsgFilter.h"

#include <string>

namespace {

class Counted : public CommonI::IRefCount {
public:
  int AddRef() override { return ++m_count; }
  int Release() override {
    const int left = --m_count;
    if (left == 0)
      delete this;
    return left;
  }

private:
  int m_count = 1; // the creator's reference
};

bool control(const std::string &text) {
  if (text == "status")
    return Port_MsgDispatcher::isFilteringOn();
  if (text == "off") {
    Port_MsgDispatcher::turnOffFiltering();
    return true;
  }
  if (text.compare(0, 3, "on ") == 0) {
    const size_t blank = text.find(' ', 3);
    if (blank == std::string::npos || blank == 3 || blank + 1 >= text.size())
      return false;
    const std::string app = text.substr(3, blank - 3);
    const std::string file = text.substr(blank + 1);
    Port_MsgDispatcher::turnOffFiltering();
    Port_MsgDispatcher::turnOnFiltering(file.c_str(), app.c_str());
    return Port_MsgDispatcher::isFilteringOn();
  }
  return false;
}

class MessageFiltering : public Counted, public UtilI::IMessageFiltering {
public:
  CitI::IInterface *GetInterface(const Port::QUID &id) override {
    if (id == CommonI::IRefCount::InterfaceID())
      return static_cast<CommonI::IRefCount *>(this);
    if (id == UtilI::IMessageFiltering::InterfaceID() || id == CitI::IInterface::InterfaceID())
      return static_cast<UtilI::IMessageFiltering *>(this);
    return nullptr;
  }
  bool ControlMessageProcessing(const Port::StringBase<char> &text) override {
    return control(text.GetBuffer() ? text.GetBuffer() : "");
  }
};

class MessageFilteringFactory : public Counted, public CitI::IFactory {
public:
  CitI::IInterface *GetInterface(const Port::QUID &id) override {
    if (id == CommonI::IRefCount::InterfaceID())
      return static_cast<CommonI::IRefCount *>(this);
    if (id == CitI::IInterface::InterfaceID())
      return static_cast<CitI::IFactory *>(this);
    return nullptr;
  }
  CitI::IInterface *CreateInstance(const Port::QUID &classId) override {
    if (classId == Port::CMessageFilteringCompID())
      return static_cast<UtilI::IMessageFiltering *>(new MessageFiltering);
    return nullptr;
  }
};

} // namespace

extern "C" __attribute__((visibility("default"))) void InstFactoryEntry() {
  MessageFilteringFactory *factory = new MessageFilteringFactory;
  CitP::Factory::RegisterFactory(Port::CMessageFilteringCompID(), factory);
  factory->Release(); // the registry holds it now
}
