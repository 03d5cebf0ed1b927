// Port_MsgManDefault.cpp - the default manager's handle: every operation goes to its
// implementation, which calls back through this handle's virtuals.
#include "Port_MsgMan.h"

#include "msg/Port_MsgManDefaultImp.h"

Port_MsgManDefault::Port_MsgManDefault(const char *name)
    : m_imp(new Port_MsgManDefaultImp(this, name)) {}

Port_MsgManDefault::~Port_MsgManDefault() { delete m_imp; }

void Port_MsgManDefault::setClean(unsigned char clean) { m_imp->setClean(clean); }
unsigned char Port_MsgManDefault::getClean() const { return m_imp->getClean(); }
void Port_MsgManDefault::setAbortFlag(unsigned char flag) { m_imp->setAbortFlag(flag); }
unsigned char Port_MsgManDefault::getAbortFlag() const { return m_imp->getAbortFlag(); }
void Port_MsgManDefault::output(MsgType type, const wchar_t **lines, int count) {
  m_imp->output(type, lines, count);
}
void Port_MsgManDefault::msgWrite(MsgType type, const wchar_t *text) {
  m_imp->msgWrite(type, text);
}
wchar_t **Port_MsgManDefault::msgFormat(MsgType type, unsigned char clean, int width,
                                        const wchar_t *text, int *count) {
  return m_imp->msgFormat(type, clean, width, text, count);
}
void Port_MsgManDefault::setMaxLineWidth(int width) { m_imp->setMaxLineWidth(width); }
int Port_MsgManDefault::getMaxLineWidth() const { return m_imp->getMaxLineWidth(); }
void Port_MsgManDefault::flush() { m_imp->flush(); }
void Port_MsgManDefault::enable() { m_imp->enable(); }
void Port_MsgManDefault::disable() { m_imp->disable(); }
bool Port_MsgManDefault::isEnabled() const { return m_imp->isEnabled(); }
void Port_MsgManDefault::msgMessage(MsgType type, const wchar_t *text, int num, const char *lib,
                                    const char *file, int line, const char *rev) {
  m_imp->msgMessage(type, text, num, lib, file, line, rev);
}
void Port_MsgManDefault::printMsg(MsgType type, const wchar_t *text, const char *lib,
                                  const char *file, int line, const char *rev) {
  m_imp->printMsg(type, text, lib, file, line, rev);
}
void Port_MsgManDefault::printMsg(MsgType type, const wchar_t *text, int num, const char *lib,
                                  const char *file, int line, const char *rev) {
  m_imp->printMsg(type, text, num, lib, file, line, rev);
}
void Port_MsgManDefault::msgStatus(const char *lib, const char *file, int line, const char *rev,
                                   const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_STATUS, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgStatusByNum(const char *lib, const char *file, int line,
                                        const char *rev, int num, va_list args) {
  m_imp->msgByNum(MSG_STATUS, lib, file, line, rev, num, args);
}
void Port_MsgManDefault::msgError(const char *lib, const char *file, int line, const char *rev,
                                  const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_ERROR, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgErrorByNum(const char *lib, const char *file, int line, const char *rev,
                                       int num, va_list args) {
  m_imp->msgByNum(MSG_ERROR, lib, file, line, rev, num, args);
}
void Port_MsgManDefault::msgInfo(const char *lib, const char *file, int line, const char *rev,
                                 const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_INFO, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgInfoByNum(const char *lib, const char *file, int line, const char *rev,
                                      int num, va_list args) {
  m_imp->msgByNum(MSG_INFO, lib, file, line, rev, num, args);
}
void Port_MsgManDefault::msgWarning(const char *lib, const char *file, int line, const char *rev,
                                    const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_WARNING, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgWarningByNum(const char *lib, const char *file, int line,
                                         const char *rev, int num, va_list args) {
  m_imp->msgByNum(MSG_WARNING, lib, file, line, rev, num, args);
}
void Port_MsgManDefault::msgInternal(const char *lib, const char *file, int line, const char *rev,
                                     const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_INTERNAL, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgInternalByNum(const char *lib, const char *file, int line,
                                          const char *rev, int num, va_list args) {
  m_imp->msgByNum(MSG_INTERNAL, lib, file, line, rev, num, args);
}
void Port_MsgManDefault::msgFatal(const char *lib, const char *file, int line, const char *rev,
                                  const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_FATAL, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgFatalByNum(const char *lib, const char *file, int line, const char *rev,
                                       int num, va_list args) {
  m_imp->msgByNum(MSG_FATAL, lib, file, line, rev, num, args);
}
void Port_MsgManDefault::msgUserFatal(const char *lib, const char *file, int line, const char *rev,
                                      const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_USER_FATAL, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgUserFatalByNum(const char *lib, const char *file, int line,
                                           const char *rev, int num, va_list args) {
  m_imp->msgByNum(MSG_USER_FATAL, lib, file, line, rev, num, args);
}
void Port_MsgManDefault::msgDebug(const char *lib, const char *file, int line, const char *rev,
                                  const char *alias, va_list args) {
  m_imp->msgByAlias(MSG_DEBUG, lib, file, line, rev, alias, args);
}
void Port_MsgManDefault::msgDebugByNum(const char *lib, const char *file, int line, const char *rev,
                                       int num, va_list args) {
  m_imp->msgByNum(MSG_DEBUG, lib, file, line, rev, num, args);
}
unsigned Port_MsgManDefault::getStatCount() const { return m_imp->getCount(MSG_STATUS); }
void Port_MsgManDefault::resetStatCount() { m_imp->resetCount(MSG_STATUS); }
unsigned Port_MsgManDefault::getErrCount() const { return m_imp->getCount(MSG_ERROR); }
void Port_MsgManDefault::resetErrCount() { m_imp->resetCount(MSG_ERROR); }
unsigned Port_MsgManDefault::getInfoCount() const { return m_imp->getCount(MSG_INFO); }
void Port_MsgManDefault::resetInfoCount() { m_imp->resetCount(MSG_INFO); }
unsigned Port_MsgManDefault::getWarnCount() const { return m_imp->getCount(MSG_WARNING); }
void Port_MsgManDefault::resetWarnCount() { m_imp->resetCount(MSG_WARNING); }
unsigned Port_MsgManDefault::getIntCount() const { return m_imp->getCount(MSG_INTERNAL); }
void Port_MsgManDefault::resetIntCount() { m_imp->resetCount(MSG_INTERNAL); }
unsigned Port_MsgManDefault::getFatalCount() const { return m_imp->getCount(MSG_FATAL); }
void Port_MsgManDefault::resetFatalCount() { m_imp->resetCount(MSG_FATAL); }
unsigned Port_MsgManDefault::getUserFatalCount() const { return m_imp->getCount(MSG_USER_FATAL); }
void Port_MsgManDefault::resetUserFatalCount() { m_imp->resetCount(MSG_USER_FATAL); }
unsigned Port_MsgManDefault::getDbgCount() const { return m_imp->getCount(MSG_DEBUG); }
void Port_MsgManDefault::resetDbgCount() { m_imp->resetCount(MSG_DEBUG); }
void Port_MsgManDefault::turnOffMsg(MsgType type) { m_imp->turnOffMsg(type); }
void Port_MsgManDefault::turnOnMsg(MsgType type) { m_imp->turnOnMsg(type); }
bool Port_MsgManDefault::isMsgOn(MsgType type) const { return m_imp->isMsgOn(type); }
