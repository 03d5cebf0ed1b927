// Port_MsgMan.cpp - what the abstract manager implements itself: the per-type switches, which a
// manager that wants output must override.
#include "Port_MsgMan.h"

Port_MsgMan::~Port_MsgMan() {}
void Port_MsgMan::turnOffMsg(MsgType) {}
void Port_MsgMan::turnOnMsg(MsgType) {}
bool Port_MsgMan::isMsgOn(MsgType) const { return false; }
