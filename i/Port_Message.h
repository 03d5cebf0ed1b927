// Port_Message.h - one catalogue entry: number, alias, display text and its HTML and XML
// variants.
//
// Threads: neither class is locked. The entries the dispatcher hands out belong to loaded
// catalogues: complete before another thread can reach them and never changed afterwards, so any
// thread may read them (until the dispatcher is finalised). Objects of one's own, and load,
// addMsgSubClass and assignment, are for one thread at a time.
#ifndef PORT_MESSAGE_H
#define PORT_MESSAGE_H

#include "Port_Export.h"

class Port_MessageImp;

class PORT_API Port_Message {
public:
  Port_Message(int num, const char *alias, const wchar_t *text);
  Port_Message(const Port_Message &other);
  Port_Message &operator=(const Port_Message &other);
  ~Port_Message();

  int getMsgNum() const;
  const char *getMsgAlias() const;
  const wchar_t *getMsgText() const;
  // "XML" gives the XML variant, "HTML" the HTML variant, anything else null.
  const wchar_t *getMsgSubClass(const char *kind) const;
  // A line beginning with "XML" or "HTML" is stored whole as that variant; others are ignored.
  void addMsgSubClass(const wchar_t *line);

private:
  Port_MessageImp *m_imp;
};

class Port_SsInfoImp;

// One library's loaded message file: its entries by alias and by number.
class PORT_API Port_SsInfo {
public:
  explicit Port_SsInfo(const char *lib);
  Port_SsInfo(const Port_SsInfo &) = delete;
  Port_SsInfo &operator=(const Port_SsInfo &) = delete;
  ~Port_SsInfo();

  // Reads the message file at path (nothing when QEL_NO_TRANSLATE is set). Entries read before
  // an error stay; the result is also kept as the loaded flag.
  bool load(char *path);
  bool isLoaded() const;
  const char *getName() const;
  Port_Message *lookupMsg(const char *alias) const;
  Port_Message *lookupMsgByNum(int num) const;
  int getNumElements() const;
  // Whether the file began with the MSG_BY_NUM line.
  bool isByNum() const;

private:
  Port_SsInfoImp *m_imp;
};

#endif
