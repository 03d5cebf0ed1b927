// Port_Message.h - one catalogue entry: number, alias, display text and its HTML and XML
// variants.
#ifndef PORT_MESSAGE_H
#define PORT_MESSAGE_H

class Port_MessageImp;

class Port_Message {
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

#endif
