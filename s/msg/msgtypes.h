// msgtypes.h - the per-type manager operations, so that the dispatcher and the reporting
// record can route a message type to the matching virtual of a manager.
#ifndef PORT_MSG_MSGTYPES_H
#define PORT_MSG_MSGTYPES_H

#include "Port_MsgMan.h"

#include <cstdarg>

namespace msgtypes {

typedef void (Port_MsgMan::*AliasHandler)(const char *, const char *, int, const char *,
                                          const char *, va_list);
typedef void (Port_MsgMan::*NumHandler)(const char *, const char *, int, const char *, int,
                                        va_list);

inline bool isValid(int type) { return type >= 0 && type <= 8; }

// The manager operation for a type; null for the exception type, which is only printed.
inline AliasHandler aliasHandler(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR:
    return &Port_MsgMan::msgError;
  case Port_MsgMan::MSG_WARNING:
    return &Port_MsgMan::msgWarning;
  case Port_MsgMan::MSG_STATUS:
    return &Port_MsgMan::msgStatus;
  case Port_MsgMan::MSG_DEBUG:
    return &Port_MsgMan::msgDebug;
  case Port_MsgMan::MSG_INTERNAL:
    return &Port_MsgMan::msgInternal;
  case Port_MsgMan::MSG_FATAL:
    return &Port_MsgMan::msgFatal;
  case Port_MsgMan::MSG_USER_FATAL:
    return &Port_MsgMan::msgUserFatal;
  case Port_MsgMan::MSG_INFO:
    return &Port_MsgMan::msgInfo;
  default:
    return nullptr;
  }
}

inline NumHandler numHandler(Port_MsgMan::MsgType type) {
  switch (type) {
  case Port_MsgMan::MSG_ERROR:
    return &Port_MsgMan::msgErrorByNum;
  case Port_MsgMan::MSG_WARNING:
    return &Port_MsgMan::msgWarningByNum;
  case Port_MsgMan::MSG_STATUS:
    return &Port_MsgMan::msgStatusByNum;
  case Port_MsgMan::MSG_DEBUG:
    return &Port_MsgMan::msgDebugByNum;
  case Port_MsgMan::MSG_INTERNAL:
    return &Port_MsgMan::msgInternalByNum;
  case Port_MsgMan::MSG_FATAL:
    return &Port_MsgMan::msgFatalByNum;
  case Port_MsgMan::MSG_USER_FATAL:
    return &Port_MsgMan::msgUserFatalByNum;
  case Port_MsgMan::MSG_INFO:
    return &Port_MsgMan::msgInfoByNum;
  default:
    return nullptr;
  }
}

// Errors, warnings and infos are looked up, filtered and logged; the other types are not.
inline bool isFilteredType(Port_MsgMan::MsgType type) {
  return type == Port_MsgMan::MSG_ERROR || type == Port_MsgMan::MSG_WARNING ||
         type == Port_MsgMan::MSG_INFO;
}

inline bool isFatalType(Port_MsgMan::MsgType type) {
  return type == Port_MsgMan::MSG_FATAL || type == Port_MsgMan::MSG_USER_FATAL;
}

} // namespace msgtypes

#endif
