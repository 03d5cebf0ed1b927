/* Port_CMsgMan.h - reporting messages from C, and qelform, printf into a per-thread ring.
 *
 * A C reporting macro expands to
 *   Port_CLocErrorFn(Port_CArgFn(lib, __FILE__, __LINE__, rev), alias, ...);
 * Port_CArgFn keeps the location (the texts are not copied: pass literals) and the issuing
 * function frees it.
 *
 * Threads: any thread may report; the issuing functions go through the dispatcher and its
 * lock. A location record belongs to the one report it is made for. qelform needs no lock:
 * each thread has its own ring. */
#ifndef PORT_CMSGMAN_H
#define PORT_CMSGMAN_H

#include "Port_Export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct Port_CLoc Port_CLoc;

PORT_API Port_CLoc *Port_CArgFn(const char *lib, const char *file, int line, const char *rev);

PORT_API void Port_CLocStatusFn(Port_CLoc *loc, const char *alias, ...);
PORT_API void Port_CLocInfoFn(Port_CLoc *loc, const char *alias, ...);
PORT_API void Port_CLocWarningFn(Port_CLoc *loc, const char *alias, ...);
PORT_API void Port_CLocErrorFn(Port_CLoc *loc, const char *alias, ...);
PORT_API void Port_CLocInternalFn(Port_CLoc *loc, const char *alias, ...);
PORT_API void Port_CLocDebugFn(Port_CLoc *loc, const char *alias, ...);
/* These two set the exit value and run the abort functions: they end the process. */
PORT_API void Port_CLocFatalFn(Port_CLoc *loc, int exitVal, const char *alias, ...);
/* Issued, counted, filtered and logged as an error. */
PORT_API void Port_CLocUserFatalFn(Port_CLoc *loc, int exitVal, const char *alias, ...);
/* Frees the location and reports nothing. */
PORT_API void Port_CLocDbgStubFn(Port_CLoc *loc, ...);

/* The formatted text, in the calling thread's ring of 4096 bytes: valid until later calls in
 * the same thread have used up the rest of the ring. A result longer than 2047 characters
 * ends the process ("Stack corrupted.", exit value 19). */
PORT_API char *qelform(const char *format, ...);

#ifdef __cplusplus
}
#endif

#endif
