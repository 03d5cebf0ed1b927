/* Port_Export.h - PORT_API marks what libPortability exports. The library is built with hidden
 * visibility: only the classes, functions and variables of the public headers carry the mark.
 * A class's mark covers its members, nested classes, vtable and type information. */
#ifndef PORT_EXPORT_H
#define PORT_EXPORT_H

#define PORT_API __attribute__((visibility("default")))

#endif
