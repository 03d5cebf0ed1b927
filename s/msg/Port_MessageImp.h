// Port_MessageImp.h - the fields of a catalogue entry, deep-copied with the entry.
#ifndef PORT_MESSAGEIMP_H
#define PORT_MESSAGEIMP_H

class Port_MessageImp {
public:
  Port_MessageImp(int num, const char *alias, const wchar_t *text);
  Port_MessageImp(const Port_MessageImp &other);
  Port_MessageImp &operator=(const Port_MessageImp &other);
  virtual ~Port_MessageImp();

  int number;
  char *alias;
  wchar_t *text;
  wchar_t *html;
  wchar_t *xml;
};

#endif
