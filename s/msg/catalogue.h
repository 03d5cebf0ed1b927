// catalogue.h - the table of loaded message files, built and torn down with the dispatcher.
#ifndef PORT_MSG_CATALOGUE_H
#define PORT_MSG_CATALOGUE_H

namespace catalogue {
void initialize();
void finalize();
} // namespace catalogue

#endif
