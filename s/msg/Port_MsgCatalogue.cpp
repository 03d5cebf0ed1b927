// Port_MsgCatalogue.cpp - finding and loading message files, and turning an alias or number
// with its arguments into display text.
#include "Port_MsgDispatcher.h"

#include "Port_Env.h"
#include "Port_File.h"
#include "Port_Message.h"
#include "Port_MsgManData.h"
#include "Port_PathList.h"
#include "Port_Thr.h"
#include "basutstr.h"
#include "msg/catalogue.h"
#include "msg/msgargs.h"
#include "msg/msgvisit.h"
#include "platform/mbcs.h"

#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {
const char *const kRevision = "$Revision: 1.12 $";
const size_t kFormatBuffer = 4096;

struct CatalogueState {
  Port_ThrRecursiveLock hashTableMutex;
  std::map<std::string, std::unique_ptr<Port_SsInfo>> hashTable;
};
CatalogueState *catalogueState = nullptr;

// How deep this thread is in loading message files. The warnings of a load are reported only
// at depth 1: reporting looks up messages of library "Portability", which may load its file.
thread_local int loadDepth = 0;

// The first "<dir>/msg/<language>/<lib>.msg" along the installation path, with the English
// file standing in for a missing Japanese one.
std::string findMessageFile(const std::string &fileName) {
  const Port::PathList *dirs = Port::QuelmoPath::GetInstance();
  if (!dirs)
    return std::string();
  const std::string lang = Port_Env::GetLang();
  std::vector<std::string> languages{lang};
  if (lang == "japanese")
    languages.push_back("usenglish");
  for (const std::string &language : languages) {
    for (Port::PathListIterator it = dirs->begin(); it != dirs->end(); ++it) {
      const std::string candidate =
          std::string(it->GetBuffer()) + "/msg/" + language + "/" + fileName;
      if (Port_File::isfile(candidate.c_str()))
        return candidate;
    }
  }
  return std::string();
}

// A message without a catalogue entry: its alias is the printf format. Formatted on the stack
// when it fits the working buffer, as nearly every message does.
void appendAliasText(std::wstring &out, const char *alias, va_list args) {
  if (!alias)
    return;
  char small[kFormatBuffer];
  const int length = msgargs::formatAlias(small, sizeof small, alias, args);
  if (length < 0) {
    platform::appendWide(out, alias, std::strlen(alias));
  } else if (static_cast<size_t>(length) < sizeof small) {
    platform::appendWide(out, small, static_cast<size_t>(length));
  } else {
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    msgargs::formatAlias(buffer.data(), buffer.size(), alias, args);
    platform::appendWide(out, buffer.data(), static_cast<size_t>(length));
  }
}

std::vector<std::wstring> widenAll(const std::vector<std::string> &texts, bool xmlSafe) {
  std::vector<std::wstring> out;
  out.reserve(texts.size());
  for (const std::string &t : texts) {
    std::wstring w = platform::multibyteToWide(t.c_str(), t.size());
    out.push_back(xmlSafe ? msgargs::convertMetacharacters(w) : w);
  }
  return out;
}

// A variant line: the kind word, then "=" and the variant text, or an argument list in
// parentheses, then "=" and the text. Quoted items (with \n \r \t and \<c> escapes) become
// arguments after their own references are substituted; a comma stands for the base argument
// at the position of the items read so far.
std::wstring expandVariant(const std::wstring &line, size_t kindLength,
                           const std::vector<std::wstring> &base,
                           std::map<wchar_t, std::wstring> named, const std::wstring &msgText) {
  size_t i = kindLength;
  std::vector<std::wstring> list;
  if (i < line.size() && line[i] == L'(') {
    ++i;
    size_t items = 0;
    while (i < line.size() && (line[i] == L'"' || line[i] == L',')) {
      if (line[i] == L',') {
        list.push_back(items < base.size() ? base[items] : std::wstring());
        ++items;
        ++i;
        continue;
      }
      std::wstring quoted;
      for (++i; i < line.size() && line[i] != L'"'; ++i) {
        if (line[i] == L'\\' && i + 1 < line.size()) {
          const wchar_t e = line[++i];
          quoted += e == L'n' ? L'\n' : e == L'r' ? L'\r' : e == L't' ? L'\t' : e;
        } else {
          quoted += line[i];
        }
      }
      if (i < line.size())
        ++i; // the closing quote
      list.push_back(msgargs::substitute(quoted, base, named));
      ++items;
    }
    if (i < line.size())
      ++i; // whatever ended the list, normally ")"
  } else {
    list = base;
  }
  if (i < line.size() && line[i] == L'=')
    ++i;
  named[L'M'] = msgargs::substitute(msgText, list, named);
  named[L'Q'] = msgargs::substitute(msgargs::convertMetacharacters(msgText), list, named);
  return msgargs::substitute(line.substr(i), list, named);
}
} // namespace

void catalogue::initialize() {
  if (!catalogueState)
    catalogueState = new CatalogueState;
}

void catalogue::finalize() {
  delete catalogueState;
  catalogueState = nullptr;
}

Port_SsInfo *Port_MsgDispatcher::loadMsgs(const char *lib) {
  msgvisit::Visit visit;
  if (!visit || !catalogueState || !lib)
    return nullptr;
  enum { NoWarning, NotFound, Unreadable } warning = NoWarning;
  std::string warningArg;
  Port_SsInfo *info = nullptr;
  ++loadDepth;
  {
    Port_ThrGuard<Port_ThrRecursiveLock> guard(catalogueState->hashTableMutex);
    auto found = catalogueState->hashTable.find(lib);
    if (found != catalogueState->hashTable.end()) {
      --loadDepth;
      return found->second.get();
    }
    auto created = std::make_unique<Port_SsInfo>(lib);
    const std::string fileName = std::string(lib) + ".msg";
    std::string path = findMessageFile(fileName);
    if (path.empty()) {
      warning = NotFound;
      warningArg = fileName;
    } else if (!created->load(&path[0])) {
      warning = Unreadable;
      warningArg = path;
    }
    info = created.get();
    catalogueState->hashTable.emplace(lib, std::move(created));
  }
  // Reported with the table unlocked: the report takes the dispatcher lock, which comes first.
  if (warning == NotFound && loadDepth == 1)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueWarning("Message file \"%s\" wasn't found.\n", warningArg.c_str());
  if (warning == Unreadable && loadDepth == 1)
    Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRevision)
        ->issueWarning("Error reading message file \"%s\".\n", warningArg.c_str());
  --loadDepth;
  return info;
}

Port_Message *Port_MsgDispatcher::lookupMsg(const char *lib, const char *alias) {
  Port_SsInfo *info = loadMsgs(lib);
  return info ? info->lookupMsg(alias) : nullptr;
}

Port_Message *Port_MsgDispatcher::lookupMsgByNum(const char *lib, int num) {
  Port_SsInfo *info = loadMsgs(lib);
  return info ? info->lookupMsgByNum(num) : nullptr;
}

const wchar_t *Port_MsgDispatcher::lookupMsgTranslation(const char *lib, const char *alias) {
  const Port_Message *msg = lookupMsg(lib, alias);
  return msg ? msg->getMsgText() : nullptr;
}

const wchar_t *Port_MsgDispatcher::lookupMsgTranslationByNum(const char *lib, int num) {
  const Port_Message *msg = lookupMsgByNum(lib, num);
  return msg ? msg->getMsgText() : nullptr;
}

const wchar_t *Port_MsgDispatcher::lookupMsgSubClass(const char *kind, const char *lib,
                                                     const char *alias) {
  const Port_Message *msg = lookupMsg(lib, alias);
  return msg ? msg->getMsgSubClass(kind) : nullptr;
}

const wchar_t *Port_MsgDispatcher::lookupMsgSubClassByNum(const char *kind, const char *lib,
                                                          int num) {
  const Port_Message *msg = lookupMsgByNum(lib, num);
  return msg ? msg->getMsgSubClass(kind) : nullptr;
}

bool catalogue::takesValues(const Port_Message *msg) {
  return msg && msg->getMsgText() && std::wcsstr(msg->getMsgText(), L"!%");
}

void catalogue::appendText(std::wstring &out, const char *alias, const Port_Message *msg,
                           va_list args, const std::vector<std::string> *values) {
  if (!msg) {
    appendAliasText(out, alias, args);
  } else if (!takesValues(msg)) {
    out += msg->getMsgText() ? msg->getMsgText() : L"";
  } else if (values) {
    msgargs::appendSubstituted(out, msg->getMsgText(), *values);
  } else {
    msgargs::appendSubstituted(out, msg->getMsgText(), msgargs::format(alias, args));
  }
}

wchar_t *Port_MsgDispatcher::parseMsg(const char *alias, const Port_Message *msg, va_list args) {
  std::wstring text;
  catalogue::appendText(text, alias, msg, args, nullptr);
  return UT_STR::WDup(text.c_str());
}

wchar_t *Port_MsgDispatcher::parseMsgByNum(int, const Port_Message *msg, va_list args) {
  return parseMsg(msg ? msg->getMsgAlias() : "No message alias available", msg, args);
}

// The translations hold a visit from the lookup to the end of the parse: the message found
// belongs to the catalogue.
wchar_t *Port_MsgDispatcher::translateMsgVa(const char *lib, const char *alias, va_list args) {
  msgvisit::Visit visit;
  return parseMsg(alias, lookupMsg(lib, alias), args);
}

wchar_t *Port_MsgDispatcher::translateMsg(const char *lib, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  wchar_t *text = translateMsgVa(lib, alias, args);
  va_end(args);
  return text;
}

wchar_t *Port_MsgDispatcher::translateMsgVa(int *num, const char *lib, const char *alias,
                                            va_list args) {
  msgvisit::Visit visit;
  const Port_Message *msg = lookupMsg(lib, alias);
  if (num)
    *num = msg ? msg->getMsgNum() : 0;
  return parseMsg(alias, msg, args);
}

wchar_t *Port_MsgDispatcher::translateMsg(int *num, const char *lib, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  wchar_t *text = translateMsgVa(num, lib, alias, args);
  va_end(args);
  return text;
}

wchar_t *Port_MsgDispatcher::parseMsgSubClass(const char *kind, Port_MsgMan::MsgType type,
                                              const char *alias, const Port_Message *msg,
                                              va_list args) {
  if (!msg || !kind)
    return nullptr;
  const wchar_t *variant = msg->getMsgSubClass(kind);
  if (!variant)
    return nullptr;
  const std::vector<std::wstring> base = widenAll(msgargs::format(alias, args), true);
  std::map<wchar_t, std::wstring> named;
  named[L'N'] = std::to_wstring(msg->getMsgNum());
  const wchar_t *header = getMsgHeader(type);
  named[L'T'] = header ? header : L"";
  const std::wstring result = expandVariant(variant, std::strlen(kind), base, named,
                                            msg->getMsgText() ? msg->getMsgText() : L"");
  return UT_STR::WDup(result.c_str());
}

wchar_t *Port_MsgDispatcher::parseMsgSubClassByNum(const char *kind, Port_MsgMan::MsgType type, int,
                                                   const Port_Message *msg, va_list args) {
  return parseMsgSubClass(kind, type, msg ? msg->getMsgAlias() : nullptr, msg, args);
}

wchar_t *Port_MsgDispatcher::translateMsgSubClassVa(const char *kind, Port_MsgMan::MsgType type,
                                                    const char *lib, const char *alias,
                                                    va_list args) {
  msgvisit::Visit visit;
  return parseMsgSubClass(kind, type, alias, lookupMsg(lib, alias), args);
}

wchar_t *Port_MsgDispatcher::translateMsgSubClass(const char *kind, Port_MsgMan::MsgType type,
                                                  const char *lib, const char *alias, ...) {
  va_list args;
  va_start(args, alias);
  wchar_t *text = translateMsgSubClassVa(kind, type, lib, alias, args);
  va_end(args);
  return text;
}
