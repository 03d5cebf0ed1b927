// Port_CMsgMan.cpp - the C entry points of the message system and the qelform ring.
#include "Port_CMsgMan.h"

#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_Thr.h"
#include "basutstr.h"

#include <cstdint>
#include <cstring>

struct Port_CLoc {
  const char *lib;
  const char *file;
  int32_t line;
  const char *rev;
};

namespace {
const char *const kRevision = "$Revision: 1.8 $";
const int kWorkingBuffer = 2048;
const int kRingSize = 4096;

// The ring: the start of the last string handed out and the first free byte.
struct ring_buf {
  char data[kRingSize];
  int16_t last = 0;
  int16_t free = 0;
};

Port_ThrThreadData<ring_buf *> &rings() {
  static Port_ThrThreadData<ring_buf *> perThread;
  return perThread;
}

ring_buf *threadRing() {
  ring_buf *ring = rings().get();
  if (!ring) {
    ring = new ring_buf;
    rings().set(ring);
  }
  return ring;
}

typedef void (*IssueByAlias)(const char *, const char *, int, const char *, const char *, va_list);

void issueAndFree(IssueByAlias issue, Port_CLoc *loc, const char *alias, va_list args) {
  if (loc)
    issue(loc->lib, loc->file, loc->line, loc->rev, alias, args);
  delete loc;
}
} // namespace

Port_CLoc *Port_CArgFn(const char *lib, const char *file, int line, const char *rev) {
  return new Port_CLoc{lib, file, line, rev};
}

#define PORT_C_ISSUE(name, dispatch)                                                               \
  void name(Port_CLoc *loc, const char *alias, ...) {                                              \
    va_list args;                                                                                  \
    va_start(args, alias);                                                                         \
    issueAndFree(&Port_MsgDispatcher::dispatch, loc, alias, args);                                 \
    va_end(args);                                                                                  \
  }

PORT_C_ISSUE(Port_CLocStatusFn, issueStatusMsg)
PORT_C_ISSUE(Port_CLocInfoFn, issueInfoMsg)
PORT_C_ISSUE(Port_CLocWarningFn, issueWarningMsg)
PORT_C_ISSUE(Port_CLocErrorFn, issueErrorMsg)
PORT_C_ISSUE(Port_CLocInternalFn, issueInternalMsg)
PORT_C_ISSUE(Port_CLocDebugFn, issueDebugMsg)
#undef PORT_C_ISSUE

void Port_CLocFatalFn(Port_CLoc *loc, int exitVal, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  if (loc)
    Port_MsgDispatcher::issueFatalMsg(loc->lib, loc->file, loc->line, loc->rev, exitVal, alias,
                                      args);
  va_end(args);
  delete loc;
  Port_MsgDispatcher::setExitVal(exitVal);
  Port_MsgDispatcher::abort();
}

void Port_CLocUserFatalFn(Port_CLoc *loc, int exitVal, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  issueAndFree(&Port_MsgDispatcher::issueErrorMsg, loc, alias, args);
  va_end(args);
  Port_MsgDispatcher::setExitVal(exitVal);
  Port_MsgDispatcher::abort();
}

void Port_CLocDbgStubFn(Port_CLoc *loc, ...) { delete loc; }

char *qelform(const char *format, ...) {
  char work[kWorkingBuffer];
  va_list args;
  va_start(args, format);
  // Bounded: a result that does not fit is measured, never written past the buffer.
  const int length = UT_STR::VSNPrintf(work, sizeof work, format ? format : "", args);
  va_end(args);
  if (length < 0)
    work[0] = '\0';
  const int n = (length < 0 ? 0 : length) + 1;
  if (n > kWorkingBuffer) {
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueFatal(19, "Stack corrupted.\n");
    // Only reached when a caller's abort function returns: hand out an empty text.
    return qelform("%s", "");
  }
  ring_buf *ring = threadRing();
  if (ring->free + n > kRingSize - 1)
    ring->free = 0;
  ring->last = ring->free;
  std::memcpy(ring->data + ring->last, work, static_cast<size_t>(n));
  ring->free = static_cast<int16_t>(ring->last + n);
  return ring->data + ring->last;
}
