// deferredlibs.h - the outside libraries that only some services need (zlib, minizip, libdeflate,
// expat, nettle), mapped on their first use instead of at the start of every program that links
// the library: a program that never compresses, unpacks a zip archive or reads XML maps none of
// them. Each accessor maps its library once per process (any thread may be first) and returns
// the table of its entry points; the entries keep the library's own names, so that a call reads
// deferred::zlib().inflate(&zs, Z_NO_FLUSH).
//
// A library that cannot be mapped, or that lacks one of the entries, ends the program with the
// fatal message "dll open of library <%s> failed due to %s.\n" and exit value 91, as a shared
// library the component machinery cannot open does; the accessors never return without a
// complete table. The loader sits at the message layer so that the string layer's CRC-32 and the
// message layer's XML reader can use it and still report through messages.
#ifndef PORTABILITY_MSG_DEFERREDLIBS_H
#define PORTABILITY_MSG_DEFERREDLIBS_H

// expat declares its expansion guard (XML_SetBillionLaughsAttackProtection*) only for a build
// with DTD support, which the system's library has.
#ifndef XML_DTD
#define XML_DTD
#endif
#include <expat.h>
#include <libdeflate.h>
#include <nettle/cbc.h>
#include <nettle/des.h>
#include <unzip.h>
#include <zlib.h>

namespace deferred {

// The entries used, per library. zlib's inflateInit2 is a macro over inflateInit2_.
// clang-format off
#define PORT_ZLIB_ENTRIES(X)                                                                       \
  X(compress2) X(crc32) X(inflate) X(inflateEnd) X(inflateInit2_) X(inflateReset) X(uncompress)    \
  X(zlibVersion)
#define PORT_MINIZIP_ENTRIES(X)                                                                    \
  X(unzClose) X(unzGetCurrentFileInfo64) X(unzGetOffset64) X(unzGoToFirstFile) X(unzGoToNextFile)  \
  X(unzOpen2_64)
#define PORT_LIBDEFLATE_ENTRIES(X)                                                                 \
  X(libdeflate_alloc_compressor) X(libdeflate_alloc_decompressor) X(libdeflate_crc32)              \
  X(libdeflate_free_compressor) X(libdeflate_free_decompressor) X(libdeflate_zlib_compress)        \
  X(libdeflate_zlib_decompress)
#define PORT_EXPAT_ENTRIES(X)                                                                      \
  X(XML_ErrorString) X(XML_GetCurrentColumnNumber) X(XML_GetCurrentLineNumber)                     \
  X(XML_GetErrorCode) X(XML_Parse) X(XML_ParserCreate) X(XML_ParserFree)                           \
  X(XML_SetBillionLaughsAttackProtectionActivationThreshold)                                       \
  X(XML_SetBillionLaughsAttackProtectionMaximumAmplification) X(XML_SetCharacterDataHandler)       \
  X(XML_SetCommentHandler) X(XML_SetDefaultHandler) X(XML_SetElementHandler)                       \
  X(XML_SetEndCdataSectionHandler) X(XML_SetEndDoctypeDeclHandler) X(XML_SetEntityDeclHandler)     \
  X(XML_SetExternalEntityRefHandler) X(XML_SetParamEntityParsing)                                  \
  X(XML_SetProcessingInstructionHandler) X(XML_SetSkippedEntityHandler)                            \
  X(XML_SetStartCdataSectionHandler) X(XML_SetStartDoctypeDeclHandler)                             \
  X(XML_SetUnknownEncodingHandler) X(XML_SetUserData) X(XML_StopParser)
// nettle's headers name these through macros (des_encrypt is nettle_des_encrypt).
#define PORT_NETTLE_ENTRIES(X)                                                                     \
  X(nettle_cbc_decrypt) X(nettle_cbc_encrypt) X(nettle_des_decrypt) X(nettle_des_encrypt)          \
  X(nettle_des_set_key)
// clang-format on

#define PORT_DEFERRED_ENTRY(name) decltype(&::name) name;
struct Zlib {
  PORT_ZLIB_ENTRIES(PORT_DEFERRED_ENTRY)
};
struct Minizip {
  PORT_MINIZIP_ENTRIES(PORT_DEFERRED_ENTRY)
};
struct Libdeflate {
  PORT_LIBDEFLATE_ENTRIES(PORT_DEFERRED_ENTRY)
};
struct Expat {
  PORT_EXPAT_ENTRIES(PORT_DEFERRED_ENTRY)
};
struct Nettle {
  PORT_NETTLE_ENTRIES(PORT_DEFERRED_ENTRY)
};
#undef PORT_DEFERRED_ENTRY

const Zlib &zlib();
const Minizip &minizip(); // maps zlib as well, which it needs
const Libdeflate &libdeflate();
const Expat &expat();
const Nettle &nettle();

} // namespace deferred

#endif
