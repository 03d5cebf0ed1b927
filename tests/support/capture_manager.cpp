// capture_manager.cpp - registration of test managers.
#include "capture_manager.h"

#include "Port_MsgDispatcher.h"

namespace porttest {

ScopedManager::ScopedManager(Port_MsgMan *mgr) : m_mgr(mgr) { Port_MsgDispatcher::addMsgMan(mgr); }
ScopedManager::~ScopedManager() { Port_MsgDispatcher::removeMsgMan(m_mgr); }

} // namespace porttest
