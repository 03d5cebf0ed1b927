// Port_MsgFilterImp.h - the message filter of one application, read from a message filter
// file (format: see Port_MsgFilterImp.cpp and install/data/msgfilter.xml).
//
// Not thread-safe on its own: the dispatcher creates, asks and deletes it under its lock.
#ifndef PORT_MSG_PORT_MSGFILTERIMP_H
#define PORT_MSG_PORT_MSGFILTERIMP_H

#include <cstdarg>
#include <map>
#include <string>
#include <vector>

class Port_Message;

class Port_MsgFilterImp {
public:
  // Result bits of a match.
  static const unsigned kFiltered = 1;
  static const unsigned kHighlighted = 2;

  // A text pattern of a message key: the mask applies when the pattern occurs in the text
  // (an empty pattern occurs in every text).
  struct Pattern {
    unsigned mask;
    std::wstring text;
  };
  struct MessageFilterData {
    std::vector<Pattern> patterns;
  };

  Port_MsgFilterImp(const char *filterFile, const char *appName);

  // Reads the file's sections for the application (and the section "*", which applies to
  // every application). False when the file is unreadable or malformed (the tables are then
  // left empty) or names nothing for the application.
  bool ReadFilterFile();
  // Whether the last read found the file malformed (rather than unreadable or silent about
  // the application).
  bool IsMalformed() const { return m_malformed; }

  // The mask of an entry for a whole message type (key: the type tag); 0 when absent.
  unsigned Matches(const char *key) const;
  // The mask for an issued message: its type's entry, with the masks of the patterns of its
  // message key that occur in its text.
  unsigned Matches(const char *lib, const char *alias, const Port_Message *msg, const char *typeTag,
                   va_list args) const;
  // Whether a ready text is matched at all (filtered or highlighted).
  bool Matches(const char *lib, unsigned int num, const char *typeTag, const wchar_t *text) const;
  // The mask for a ready text.
  unsigned MatchText(const char *lib, unsigned int num, const char *typeTag,
                     const wchar_t *text) const;

  // Entries added by the reader.
  void AddType(const std::string &typeTag, unsigned mask);
  void AddPattern(const std::string &key, unsigned mask, const std::wstring &text);

private:
  std::string m_filterFile;
  std::string m_appName;
  bool m_malformed = false;
  // Type tag -> mask.
  std::map<std::string, unsigned> m_types;
  // Message key (library, type tag, number) -> its patterns.
  std::map<std::string, MessageFilterData> m_messages;
};

#endif
