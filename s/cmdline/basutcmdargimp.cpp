// basutcmdargimp.cpp - the command format compiler: a format string into two opcode arrays (the
// positional part and the switches) and a table of group offsets.
//
// Opcode array: cells of UT_CMDOP, ended by a cell 0. OP_LITERAL is followed by a cell holding
// a pointer to an owned text, OP_NUMBER by a cell holding a signed 32-bit value; every other
// opcode is one cell. Each group starts with OP_GROUP and ends with OP_ENDGROUP in both arrays,
// so the n-th OP_GROUP of either array belongs to group n.
#include "cmdline/basutcmdargimp.h"

#include "Port_MsgManData.h"
#include "basutstr.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {
const char *const kRev = "$Revision: 1.1 $";

// Characters that end a literal (besides the bytes outside '!'..'~').
const char *const kLiteralEnd = " {}()<>[],:-|";

bool isFormatByte(char c) { return c >= '!' && c <= '~'; }

bool isLiteralEnd(char c) { return !isFormatByte(c) || std::strchr(kLiteralEnd, c) != nullptr; }

const char *const helpsw[] = {"-help", "-h", "-?", nullptr};
} // namespace

bool is_helpsw(const char *text) {
  if (!text)
    return false;
  for (int i = 0; helpsw[i]; ++i)
    if (UT_STR::ICompare(text, helpsw[i]) == 0)
      return true;
  return false;
}

bool isnumber(const char *text) {
  if (!text)
    return false;
  if (*text == '+' || *text == '-')
    ++text;
  int digits = 0;
  for (; *text; ++text, ++digits)
    if (*text < '0' || *text > '9' || digits == 10)
      return false;
  return digits > 0;
}

int cmdNumberValue(const char *text) {
  bool negative = false;
  if (*text == '+' || *text == '-')
    negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    if (value <= INT32_MAX)
      value = value * 10 + (*text - '0');
  if (negative)
    value = -value;
  if (value > INT32_MAX)
    return INT32_MAX;
  if (value < INT32_MIN)
    return INT32_MIN;
  return static_cast<int>(value);
}

// ---- opcode arrays and the compiled record ----

void PORT_DARRAY_UT_CMDOPS::addstr(const char *text) {
  addop(OP_LITERAL);
  append(reinterpret_cast<UT_CMDOP>(UT_STR::Dup(text ? text : "")));
}

void PORT_DARRAY_UT_CMDOPS::addnum(int value) {
  addop(OP_NUMBER);
  append(value);
}

void PORT_DARRAY_UT_CMDOPS::clearops() {
  for (int i = 0; i < m_used; ++i) {
    const UT_CMDOP op = data()[i];
    if (op == OP_LITERAL && i + 1 < m_used)
      delete[] reinterpret_cast<char *>(data()[++i]);
    else if (op == OP_NUMBER)
      ++i;
  }
  a_resetnum(0);
  m_lastop = 0;
}

UT_OPCODEINFO::UT_OPCODEINFO()
    : numgrps(0), arggrpoff(nullptr), swgrpoff(nullptr), error(0), cmdname(nullptr) {}

UT_OPCODEINFO::~UT_OPCODEINFO() { clear(); }

void UT_OPCODEINFO::clear() {
  argops.clearops();
  swops.clearops();
  delete[] arggrpoff;
  delete[] swgrpoff;
  delete[] cmdname;
  arggrpoff = swgrpoff = nullptr;
  cmdname = nullptr;
  numgrps = 0;
  error = 0;
}

// ---- the compiler ----

UT_CMDCOMPILE::UT_CMDCOMPILE()
    : m_fmt(""), m_len(0), m_pos(0), m_token(TkEnd), m_pushed(false), m_number(0), m_sign('-'),
      m_afterSwitchMark(false), m_error(false), m_ngroups(0), m_depth(0), m_ingroup(false),
      m_inrepeat(false), m_inrepsw(false), m_inkeys(false), m_implicit(false), m_info(nullptr) {
  m_literal[0] = '\0';
}

void UT_CMDCOMPILE::initcompile(const char *fmt, UT_OPCODEINFO &info) {
  m_fmt = fmt ? fmt : "";
  m_len = static_cast<int>(std::strlen(m_fmt));
  m_pos = 0;
  m_token = TkEnd;
  m_pushed = false;
  m_literal[0] = '\0';
  m_number = 0;
  m_sign = '-';
  m_afterSwitchMark = false;
  m_error = false;
  m_ngroups = 0;
  m_depth = 0;
  m_ingroup = m_inrepeat = m_inrepsw = m_inkeys = m_implicit = false;
  m_info = &info;
}

UT_CMDCOMPILE::Token UT_CMDCOMPILE::gettoken() {
  if (m_pushed) {
    m_pushed = false;
    return m_token;
  }
  m_token = cmdtoken();
  return m_token;
}

bool UT_CMDCOMPILE::chknumber(const char *text) {
  if (!isnumber(text))
    return false;
  m_number = cmdNumberValue(text);
  return true;
}

// A literal from the current position; after a switch mark it starts with the mark's sign.
UT_CMDCOMPILE::Token UT_CMDCOMPILE::parseliteral() {
  int n = 0;
  if (m_afterSwitchMark)
    m_literal[n++] = m_sign;
  m_afterSwitchMark = false;
  while (m_pos < m_len && !isLiteralEnd(m_fmt[m_pos])) {
    if (n == MaxLiteral) {
      m_literal[n] = '\0';
      comperror("A literal may hold at most 121 characters.");
      return TkEnd;
    }
    m_literal[n++] = m_fmt[m_pos++];
  }
  m_literal[n] = '\0';
  return chknumber(m_literal) ? TkNumber : TkLiteral;
}

UT_CMDCOMPILE::Token UT_CMDCOMPILE::cmdtoken() {
  while (m_pos < m_len && !isFormatByte(m_fmt[m_pos]))
    ++m_pos;
  if (m_pos >= m_len)
    return TkEnd;
  const char c = m_fmt[m_pos];
  switch (c) {
  case '(':
    ++m_pos;
    return TkLParen;
  case ')':
    ++m_pos;
    return TkRParen;
  case '<':
    ++m_pos;
    return TkLess;
  case '>':
    ++m_pos;
    return TkGreater;
  case '[':
    ++m_pos;
    return TkLBracket;
  case ']':
    ++m_pos;
    return TkRBracket;
  case '{':
    ++m_pos;
    return TkLBrace;
  case '}':
    ++m_pos;
    return TkRBrace;
  case ',':
    ++m_pos;
    return TkComma;
  case ':':
    ++m_pos;
    return TkColon;
  case '&':
    ++m_pos;
    return TkAmp;
  case '|':
    ++m_pos;
    return TkBar;
  default:
    break;
  }
  if (c == '-' || c == '+') {
    // A signed number when the sign and what follows it up to the next delimiter is one.
    int end = m_pos + 1;
    while (end < m_len && !isLiteralEnd(m_fmt[end]))
      ++end;
    const std::string word(m_fmt + m_pos, m_fmt + end);
    if (end - m_pos <= MaxLiteral && chknumber(word.c_str())) {
      std::memcpy(m_literal, word.c_str(), word.size() + 1);
      m_pos = end;
      m_afterSwitchMark = false;
      return TkNumber;
    }
    ++m_pos;
    m_sign = c;
    m_afterSwitchMark = true;
    if (m_pos < m_len && (m_fmt[m_pos] == '-' || m_fmt[m_pos] == '+')) {
      m_sign = m_fmt[m_pos++];
      return TkSecretSwitch;
    }
    return TkSwitch;
  }
  return parseliteral();
}

bool UT_CMDCOMPILE::isillegalcharfound() {
  const char *p = m_literal;
  for (int i = 0; i < 2 && (*p == '+' || *p == '-'); ++i)
    ++p;
  for (; *p; ++p) {
    if (*p == '&' || *p == '-') {
      comperror(
          (std::string("The character '") + *p + "' in keyword '" + m_literal + "' is not allowed.")
              .c_str());
      return true;
    }
  }
  return false;
}

void UT_CMDCOMPILE::comperror(const char *message) {
  if (m_error)
    return; // one error per compile
  m_error = true;
  if (m_handler) {
    m_handler->handleFormatError(message);
    return;
  }
  const int index = m_pos > 0 ? m_pos - 1 : 0;
  const char at = index < m_len ? m_fmt[index] : ' ';
  Port_MsgManData::createObject("Portability", __FILE__, __LINE__, kRev)
      ->issueFatal(19, "%s  Error at fmtstr[%d]=\"%c\".  fmtstr = \"%s\"\n", message, index, at,
                   m_fmt);
}

void UT_CMDCOMPILE::appendop(PORT_DARRAY_UT_CMDOPS &target, int op) { target.addop(op); }

// A recursive-descent parser over the tokens: parseterms reads terms until the end of the format
// or of the switch it was called for, and hands each term to the handler of its first token.
// Every handler reports one error at most (comperror keeps the first) and leaves the loop to
// stop on m_error.

void UT_CMDCOMPILE::parseterms(PORT_DARRAY_UT_CMDOPS &target) {
  const int entryDepth = m_depth;
  while (!m_error)
    if (parseterm(gettoken(), target, entryDepth) == Leave)
      return;
}

UT_CMDCOMPILE::Step UT_CMDCOMPILE::parseterm(Token token, PORT_DARRAY_UT_CMDOPS &target,
                                             int entryDepth) {
  switch (token) {
  case TkEnd:
    return termend(target);
  case TkLParen:
    opengroup();
    return Continue;
  case TkRParen:
    closegroup();
    return Continue;
  case TkLess:
    parsevar(target);
    return Continue;
  case TkLBracket:
    openoption(target);
    return Continue;
  case TkRBracket:
    return closeoption(target, entryDepth);
  case TkBar:
    parsebar();
    return Continue;
  case TkLBrace:
    openrepeat(target);
    return Continue;
  case TkRBrace:
    return closerepeat(target);
  case TkLiteral:
  case TkNumber:
    parsekeyword(target);
    return Continue;
  case TkAmp:
    parsehidden(target);
    return Continue;
  case TkGreater:
    comperror("Unexpected endvar '>' found.");
    return Continue;
  case TkSwitch:
  case TkSecretSwitch:
    comperror("Unexpected switch found.  Switches need to be enclosed by []s.");
    return Continue;
  case TkColon:
    comperror("Unexpected ':' found.");
    return Continue;
  case TkComma:
    comperror("Unexpected ',' found.");
    return Continue;
  }
  return Continue;
}

// The end of the format closes a keyword list; anything else still open is an error.
UT_CMDCOMPILE::Step UT_CMDCOMPILE::termend(PORT_DARRAY_UT_CMDOPS &target) {
  if (m_ingroup && !m_implicit)
    comperror("Closing ')' expected.");
  else if (m_inkeys) {
    appendop(target, OP_ENDKEY);
    m_inkeys = false;
  }
  if (m_inrepeat)
    comperror("Closing '}' expected.");
  else if (m_depth > 0)
    comperror("Closing ']' expected.");
  pushback(); // every caller up the chain sees the end too
  return Leave;
}

// '(' opens a group in both arrays.
void UT_CMDCOMPILE::opengroup() {
  if (m_ingroup) {
    comperror("Cannot nest groups '()'.");
    return;
  }
  if (m_ngroups == INT16_MAX) {
    comperror("Too many groups.");
    return;
  }
  m_ingroup = true;
  appendop(m_info->argops, OP_GROUP);
  appendop(m_info->swops, OP_GROUP);
  ++m_ngroups;
}

void UT_CMDCOMPILE::closegroup() {
  if (!m_ingroup || m_implicit) {
    comperror("Unexpected ')' found.");
    return;
  }
  appendop(m_info->argops, OP_ENDGROUP);
  appendop(m_info->swops, OP_ENDGROUP);
  m_ingroup = false;
}

// '[' opens an optional part, or a switch when a switch mark follows.
void UT_CMDCOMPILE::openoption(PORT_DARRAY_UT_CMDOPS &target) {
  if (++m_depth > MaxDepth) {
    comperror("Optional parts '[]' are nested too deeply.");
    return;
  }
  if (gettoken() == TkSwitch || m_token == TkSecretSwitch) {
    parseswitch(false);
  } else {
    pushback();
    appendop(target, OP_OPTION);
  }
}

// ']' closes an optional part, or the switch whose terms are being read.
UT_CMDCOMPILE::Step UT_CMDCOMPILE::closeoption(PORT_DARRAY_UT_CMDOPS &target, int entryDepth) {
  --m_depth;
  if (&target == &m_info->swops && m_depth < entryDepth) {
    endswitch();
    return Leave;
  }
  if (m_depth < 0) {
    comperror("Unexpected ']' found.");
    return Continue;
  }
  appendop(target, OP_ENDOPTION);
  return Continue;
}

// '|' between keywords continues the list; outside one it may only come before a group.
void UT_CMDCOMPILE::parsebar() {
  if (m_inkeys)
    return;
  if (m_ingroup) {
    comperror("Unexpected '|' found.");
    return;
  }
  const Token next = gettoken();
  if (next != TkEnd && next != TkLParen)
    comperror("Unexpected '|' found.");
  pushback();
}

// '{' opens a repeated part, or a repeatable switch when a switch mark follows.
void UT_CMDCOMPILE::openrepeat(PORT_DARRAY_UT_CMDOPS &target) {
  if (m_inrepeat) {
    comperror("Cannot nest repeat {} clauses.");
    return;
  }
  if (gettoken() == TkSwitch || m_token == TkSecretSwitch) {
    parseswitch(true);
    if (!m_error)
      appendop(m_info->swops, OP_ENDSWITCH);
  } else {
    pushback();
    m_inrepeat = true;
    appendop(target, OP_REPEAT);
  }
}

// '}' closes a repeated part; inside a repeatable switch's terms it ends them.
UT_CMDCOMPILE::Step UT_CMDCOMPILE::closerepeat(PORT_DARRAY_UT_CMDOPS &target) {
  if (!m_inrepeat) {
    if (&target == &m_info->swops) {
      pushback();
      return Leave;
    }
    comperror("Unexpected '}' found.");
    return Continue;
  }
  appendop(target, OP_ENDREPEAT);
  m_inrepeat = m_inrepsw = false;
  return Continue;
}

// A keyword, the first of a list when '|' follows it.
void UT_CMDCOMPILE::parsekeyword(PORT_DARRAY_UT_CMDOPS &target) {
  if (!m_inkeys)
    appendop(target, OP_KEY);
  if (isillegalcharfound())
    return;
  target.addstr(m_literal);
  if (gettoken() == TkBar) {
    m_inkeys = true;
  } else {
    appendop(target, OP_ENDKEY);
    m_inkeys = false;
    pushback();
  }
}

// '&' hides what follows from the usage line: a variable at the start of a part, otherwise a
// keyword that must be followed by another of the same list.
void UT_CMDCOMPILE::parsehidden(PORT_DARRAY_UT_CMDOPS &target) {
  const int last = target.lastop();
  if (last == OP_OR || last == OP_OPTION || last == OP_REPEAT || last == OP_GROUP) {
    if (gettoken() != TkLess) {
      comperror("& can only hide literal or variable");
      return;
    }
    appendop(target, OP_SECRETARG);
    parsevar(target);
    return;
  }
  if (gettoken() != TkLiteral) {
    comperror("Unexpected '&' found.");
    return;
  }
  if (!m_inkeys)
    appendop(target, OP_KEY);
  appendop(target, OP_SECRETARG);
  if (isillegalcharfound())
    return;
  target.addstr(m_literal);
  if (gettoken() != TkBar) {
    comperror("Unexpected '&' found.");
    return;
  }
  m_inkeys = true;
}

// <name>, <name[suffixes]>, <name:min,max> or <name<suffix>>.
void UT_CMDCOMPILE::parsevar(PORT_DARRAY_UT_CMDOPS &target) {
  appendop(target, OP_VAR);
  if (gettoken() != TkLiteral) {
    comperror("Literal expected inside of <>s.");
    return;
  }
  target.addstr(m_literal);
  switch (gettoken()) {
  case TkGreater:
    return;
  case TkLBracket:
    parsesuffixes(target);
    return;
  case TkColon:
    parserange(target);
    return;
  case TkLess:
    parsevarsuffix(target);
    return;
  default:
    comperror("Unknown token found inside of <>s.");
    return;
  }
}

// [ext|ext|&ext]>: the suffixes a value may carry, kept as one '|'-joined text.
void UT_CMDCOMPILE::parsesuffixes(PORT_DARRAY_UT_CMDOPS &target) {
  appendop(target, OP_SUFFIX);
  std::string list;
  int entries = 0;
  bool hidden = false;
  for (;;) {
    Token t = gettoken();
    if (t == TkAmp) {
      hidden = true;
      t = gettoken();
    }
    if (t != TkLiteral) {
      comperror("Illegal token found inside of <>s.");
      return;
    }
    if (entries++)
      list += '|';
    list += m_literal;
    if (gettoken() != TkBar) {
      pushback();
      break;
    }
  }
  if (entries == 1 && hidden) {
    comperror("Can't hide single literal argument.");
    return;
  }
  target.addstr(list.c_str());
  if (gettoken() != TkRBracket) {
    comperror("Expecting a closing ']'.");
    return;
  }
  if (gettoken() != TkGreater)
    comperror("Expecting a closing '>'.");
}

// One bound of a range: a number, signed or not.
bool UT_CMDCOMPILE::rangebound() {
  if (gettoken() == TkSwitch)
    gettoken();
  if (m_token != TkNumber) {
    comperror("Number expected after ':'.");
    return false;
  }
  return true;
}

// :min,max>: the range a numeric value must lie in.
void UT_CMDCOMPILE::parserange(PORT_DARRAY_UT_CMDOPS &target) {
  appendop(target, OP_RANGE);
  if (!rangebound())
    return;
  const int minimum = m_number;
  target.addnum(minimum);
  if (gettoken() != TkComma) {
    comperror("A range indicator ',' is expected.");
    return;
  }
  if (!rangebound())
    return;
  if (minimum >= m_number) {
    comperror("The min range must be less than the max range.");
    return;
  }
  target.addnum(m_number);
  if (gettoken() != TkGreater)
    comperror("An endvar '>' is expected.");
}

// <suffix>>: a suffix the value gets when it has none.
void UT_CMDCOMPILE::parsevarsuffix(PORT_DARRAY_UT_CMDOPS &target) {
  if (gettoken() != TkLiteral) {
    comperror("Illegal token found inside of <>s.");
    return;
  }
  appendop(target, OP_VARSUFFIX);
  target.addstr((std::string("<") + m_literal).c_str());
  if (gettoken() != TkGreater || gettoken() != TkGreater)
    comperror("Expecting a closing '>'.");
}

// Closes the switch whose terms were read (its ']'); an optional switch inside an option or a
// group also closes the option opened for it.
void UT_CMDCOMPILE::endswitch() {
  appendop(m_info->swops, OP_ENDSWITCH);
  if (!m_inrepsw && m_depth != 0)
    appendop(m_info->swops, OP_ENDOPTION);
}

// A switch name may not hide itself or take the names of help and command files.
bool UT_CMDCOMPILE::switchnameallowed() {
  if (isillegalcharfound())
    return false;
  if (is_helpsw(m_literal)) {
    comperror((std::string("The '") + m_literal + "' switch is reserved for help.").c_str());
    return false;
  }
  if (std::strcmp(m_literal, "-f") == 0) {
    comperror(
        (std::string("The '") + m_literal + "' switch is reserved for command files.").c_str());
    return false;
  }
  return true;
}

// [-name ...] or {-name ...}, from after the switch mark: its names, then its terms.
void UT_CMDCOMPILE::parseswitch(bool repeatable) {
  PORT_DARRAY_UT_CMDOPS &sw = m_info->swops;
  const bool secret = m_token == TkSecretSwitch;
  if (!repeatable) {
    if (m_depth != (m_inrepsw ? 0 : 1))
      appendop(sw, OP_OPTION);
  } else {
    if (m_inrepsw) {
      comperror("Cannot nest repeating switches.");
      return;
    }
    m_inrepsw = true;
  }
  appendop(sw, secret ? OP_SECRETSW : OP_SWITCH);
  if (repeatable)
    appendop(sw, OP_REPEAT);
  appendop(sw, OP_KEY);
  if (gettoken() != TkLiteral) {
    comperror("A switch name is expected.");
    return;
  }
  if (!switchnameallowed())
    return;
  sw.addstr(m_literal);

  if (gettoken() == TkBar) {
    if (parsealiases(repeatable) == Leave || m_error)
      return;
  } else {
    appendop(sw, OP_ENDKEY);
    pushback();
  }
  parseterms(sw);
  bool closed = false; // a repeatable switch closed by '}'
  if (repeatable && !m_error) {
    if (gettoken() == TkRBrace)
      closed = true;
    else
      pushback();
  }
  if (!m_error && repeatable && !closed)
    comperror("Expecting a '}' to terminate switch.");
  if (repeatable)
    m_inrepsw = false;
}

// |-alias|-alias...: further names of a switch, from after the first '|'. Leave when the
// switch ended with its names (']' or '}' right after them).
UT_CMDCOMPILE::Step UT_CMDCOMPILE::parsealiases(bool repeatable) {
  PORT_DARRAY_UT_CMDOPS &sw = m_info->swops;
  if (gettoken() != TkSwitch && m_token != TkSecretSwitch) {
    comperror("Unexpected '|' found in switch statement.");
    return Leave;
  }
  while (!m_error) {
    switch (gettoken()) {
    case TkLiteral:
      if (!switchnameallowed())
        return Leave;
      sw.addstr(m_literal);
      break;
    case TkRBracket:
      --m_depth;
      appendop(sw, OP_ENDKEY);
      endswitch();
      if (repeatable)
        comperror("Expecting a '}' to terminate switch.");
      return Leave;
    case TkBar:
      if (gettoken() != TkSwitch && m_token != TkSecretSwitch) {
        comperror("Illegal term found.  Switch expected.");
        return Leave;
      }
      break;
    case TkRBrace:
      if (!repeatable) {
        comperror("Unexpected '}' found.");
        return Leave;
      }
      appendop(sw, OP_ENDKEY);
      m_inrepsw = false;
      return Leave;
    case TkEnd:
      comperror("Unexpected EOL found.  Expecting a ']'.");
      return Leave;
    default:
      appendop(sw, OP_ENDKEY);
      pushback();
      return Continue;
    }
  }
  return Leave;
}

void UT_CMDCOMPILE::markgrps() {
  m_info->numgrps = m_ngroups;
  delete[] m_info->arggrpoff;
  delete[] m_info->swgrpoff;
  m_info->arggrpoff = new int16_t[m_ngroups > 0 ? m_ngroups : 1]();
  m_info->swgrpoff = new int16_t[m_ngroups > 0 ? m_ngroups : 1]();
  auto scan = [this](const PORT_DARRAY_UT_CMDOPS &ops, int16_t *offsets) {
    int group = 0;
    for (int i = 0; i < ops.getnum() && group < m_ngroups; ++i) {
      const int op = ops.getop(i);
      if (op == OP_LITERAL || op == OP_NUMBER)
        ++i;
      else if (op == OP_GROUP)
        offsets[group++] = static_cast<int16_t>(i < INT16_MAX ? i : INT16_MAX);
    }
  };
  scan(m_info->argops, m_info->arggrpoff);
  scan(m_info->swops, m_info->swgrpoff);
}

bool UT_CMDCOMPILE::compilefmtstr(const char *fmt, UT_OPCODEINFO &info,
                                  std::unique_ptr<Port::CmdargErrHandler> handler) {
  info.clear();
  initcompile(fmt, info);
  m_handler = std::move(handler);

  if (m_len > MaxFormat) {
    comperror("The format string is longer than 32767 characters.");
  } else {
    if (gettoken() != TkLiteral && m_token != TkNumber) {
      comperror("The first word in the format string must be the cmd name.");
      info.cmdname = UT_STR::Dup("cmd");
    } else {
      info.cmdname = UT_STR::Dup(m_literal);
    }
    const int afterName = m_pos;
    if (!m_error) {
      if (gettoken() == TkLParen) {
        pushback();
      } else {
        m_pos = afterName;
        m_afterSwitchMark = false;
        m_token = TkLParen;
        pushback();
        m_implicit = true;
      }
      parseterms(info.argops);
      if (m_implicit && !m_error) {
        appendop(info.swops, OP_ENDGROUP);
        appendop(info.argops, OP_ENDGROUP);
      }
    }
  }
  info.swops.append(OP_END);
  info.argops.append(OP_END);
  markgrps();
  if (m_error) {
    info.argops.clearops();
    info.swops.clearops();
    info.numgrps = 0;
  }
  info.error = m_error ? 1 : 0;
  m_handler.reset();
  return !m_error;
}

// ---- the handle ----

UT_CMDOPCODES::UT_CMDOPCODES(const char *fmt) : m_imp(new UT_CMDOPCODESIMP) {
  UT_CMDCOMPILE().compilefmtstr(fmt, m_imp->info, nullptr);
}

UT_CMDOPCODES::UT_CMDOPCODES(const char *fmt, std::unique_ptr<Port::CmdargErrHandler> handler)
    : m_imp(new UT_CMDOPCODESIMP) {
  UT_CMDCOMPILE().compilefmtstr(fmt, m_imp->info, std::move(handler));
}

UT_CMDOPCODES::~UT_CMDOPCODES() { delete m_imp; }

bool UT_CMDOPCODES::iserror() const { return m_imp->info.error != 0; }

UT_OPCODEINFO &UT_CMDOPCODES::getinfo() { return m_imp->info; }

const UT_OPCODEINFO &UT_CMDOPCODES::getinfo() const { return m_imp->info; }

namespace {
Port_MsgManData *dumpReport(int line) {
  return Port_MsgManData::createObject("Portability", __FILE__, line, kRev);
}

// One status line per opcode; false for a value that is no opcode.
bool dumpOp(int op) {
  switch (op) {
  case OP_GROUP:
    dumpReport(__LINE__)->issueStatus("OP_GROUP\n");
    return true;
  case OP_ENDGROUP:
    dumpReport(__LINE__)->issueStatus("OP_ENDGROUP\n");
    return true;
  case OP_VAR:
    dumpReport(__LINE__)->issueStatus("OP_VAR\n");
    return true;
  case OP_OPTION:
    dumpReport(__LINE__)->issueStatus("OP_OPTION\n");
    return true;
  case OP_ENDOPTION:
    dumpReport(__LINE__)->issueStatus("OP_ENDOPTION\n");
    return true;
  case OP_OR:
    dumpReport(__LINE__)->issueStatus("OP_OR\n");
    return true;
  case OP_SWITCH:
    dumpReport(__LINE__)->issueStatus("OP_SWITCH\n");
    return true;
  case OP_SECRETSW:
    dumpReport(__LINE__)->issueStatus("OP_SECRETSW\n");
    return true;
  case OP_ENDSWITCH:
    dumpReport(__LINE__)->issueStatus("OP_ENDSWITCH\n");
    return true;
  case OP_KEY:
    dumpReport(__LINE__)->issueStatus("OP_KEY\n");
    return true;
  case OP_ENDKEY:
    dumpReport(__LINE__)->issueStatus("OP_ENDKEY\n");
    return true;
  case OP_BIND:
    dumpReport(__LINE__)->issueStatus("OP_BIND\n");
    return true;
  case OP_SUFFIX:
    dumpReport(__LINE__)->issueStatus("OP_SUFFIX\n");
    return true;
  case OP_REPEAT:
    dumpReport(__LINE__)->issueStatus("OP_REPEAT\n");
    return true;
  case OP_ENDREPEAT:
    dumpReport(__LINE__)->issueStatus("OP_ENDREPEAT\n");
    return true;
  case OP_RANGE:
    dumpReport(__LINE__)->issueStatus("OP_RANGE\n");
    return true;
  case OP_LITERAL:
    dumpReport(__LINE__)->issueStatus("OP_LITERAL\n");
    return true;
  case OP_NUMBER:
    dumpReport(__LINE__)->issueStatus("OP_NUMBER\n");
    return true;
  case OP_VARSUFFIX:
    dumpReport(__LINE__)->issueStatus("OP_VARSUFFIX\n");
    return true;
  case OP_SECRETARG:
    dumpReport(__LINE__)->issueStatus("OP_SECRETARG\n");
    return true;
  default:
    return false;
  }
}

void dumpArray(const PORT_DARRAY_UT_CMDOPS &ops) {
  for (int i = 0; i < ops.getnum() && ops.getop(i) != OP_END; ++i) {
    const int op = ops.getop(i);
    if (!dumpOp(op)) {
      dumpReport(__LINE__)->issueStatus("Unexpected op %ld\n", static_cast<long>(op));
      continue;
    }
    if (op == OP_LITERAL)
      dumpReport(__LINE__)->issueStatus("%s\n", ops.getlit(++i));
    else if (op == OP_NUMBER)
      dumpReport(__LINE__)->issueStatus("%d\n", ops.getop(++i));
  }
}
} // namespace

void UT_CMDOPCODES::dumpops() const {
  const UT_OPCODEINFO &info = m_imp->info;
  dumpReport(__LINE__)->issueStatus("Switch OPs are:\n");
  dumpArray(info.swops);
  dumpReport(__LINE__)->issueStatus("Arg OPs are:\n");
  dumpArray(info.argops);
  dumpReport(__LINE__)->issueStatus("Number of grps = %d\n", static_cast<int>(info.numgrps));
  dumpReport(__LINE__)->issueStatus("Grp arg and sw offsets are:\n");
  for (int g = 0; g < info.numgrps; ++g)
    dumpReport(__LINE__)->issueStatus("arggrpoff[%d]=%d     swgrpoff[%d]=%d\n", g,
                                      static_cast<int>(info.arggrpoff[g]), g,
                                      static_cast<int>(info.swgrpoff[g]));
}
