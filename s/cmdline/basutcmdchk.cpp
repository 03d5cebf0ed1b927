// basutcmdchk.cpp - the command-line checker: an argument vector against a compiled format,
// group by group. Each group gets a switch pass (switch-looking arguments against the group's
// switch opcodes, switch arguments included) and then a positional pass over the arguments left.
// The first group that passes fills the result; when none does, the message of the group that
// marked the most arguments is reported, followed by the usage line.
//
// While a group's switches are checked, the name cell of a switch that has been used is turned
// from OP_LITERAL into OP_USEDNAME; every cell is turned back at the end of the pass.
#include "basutcmdarg.h"
#include "cmdline/basutcmdargimp.h"
#include "cmdline/cmdops.h"

#include "Port_MsgDispatcher.h"
#include "Port_MsgManData.h"
#include "Port_Version.h"
#include "basutstr.h"

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {
const char *const kRev = "$Revision: 1.1 $";
const char *const kLib = "Portability";

enum Mark : unsigned char {
  Unmarked = 0,
  MarkSwitch = 8,
  MarkArg = 20,
  MarkNumArg = 21,
  MarkSwitchArg = 22,
  MarkSwitchNumArg = 23,
  MarkCollapsed = 25
};

bool isCloser(int op) {
  return op == OP_END || op == OP_ENDGROUP || op == OP_ENDOPTION || op == OP_ENDREPEAT ||
         op == OP_ENDSWITCH;
}

using cmdops::nextop;
using cmdops::scan2op;

struct WideText {
  wchar_t *text = nullptr;
  ~WideText() { delete[] text; }
  void reset(wchar_t *t) {
    delete[] text;
    text = t;
  }
};
} // namespace

class UT_CMDCHKIMP {
public:
  UT_CMDCHKIMP(bool quiet, const char *name1, const char *name2,
               std::unique_ptr<Port::CmdargErrHandler> handler)
      : m_quiet(quiet), m_name1(name1 ? name1 : ""), m_name2(name2 ? name2 : ""),
        m_handler(std::move(handler)) {}

  bool chkargs(int argc, const char *const *argv, UT_CMDOPCODES &ops, UT_ARGINFO &info);

private:
  // A switch found in the switch opcodes.
  struct FoundSwitch {
    int nameCell = -1; // the cell of the matching name
    int endKey = -1;   // its OP_ENDKEY
    bool used = false;
    bool repeatable = false;
    const char *lastName = nullptr;
  };

  void resetchk(int argc, const char *const *argv, UT_CMDOPCODES &ops);
  void resetmarks();
  bool giveusage();
  bool requiresarg() const;
  bool chkswgrp(int g);
  bool chkarggrp(int g);
  bool findswitch(int g, const char *name, bool withoutArgs, FoundSwitch &found) const;
  bool iscollapsedsw(int g, int index);
  void resetswflags(int g);
  int walk(int pc);
  int checkvar(int pc);
  int checkkey(int pc);
  int checkoption(int pc);
  int checkrepeat(int pc);
  bool isaswitch(int index) const;
  int nextunmarked(int from) const;
  void markargv(Mark mark);
  bool setargtxt(const char *value, const char *spec, const char *swname, std::string &text,
                 bool report);
  void seterror(wchar_t *message);
  void gencmdargs(UT_ARGINFO &info);
  void chkerror(const wchar_t *message);
  void issueusage();

  UT_CMDOPCODES *m_opcodes = nullptr;
  UT_OPCODEINFO *m_info = nullptr;
  int m_argc = 0;
  const char *const *m_argv = nullptr;
  int m_cur = 0;
  std::vector<unsigned char> m_marks;
  std::vector<const char *> m_sufs;
  std::vector<const char *> m_names;
  bool m_error = false;
  bool m_swmode = false;
  const char *m_swname = nullptr; // the switch whose arguments are checked
  WideText m_msg;
  int m_progress = 0;
  const PORT_DARRAY_UT_CMDOPS *m_ops = nullptr;
  bool m_quiet;
  Port::StringBase<char> m_name1;
  Port::StringBase<char> m_name2;
  std::unique_ptr<Port::CmdargErrHandler> m_handler;
};

void UT_CMDCHKIMP::resetchk(int argc, const char *const *argv, UT_CMDOPCODES &ops) {
  m_opcodes = &ops;
  m_info = &ops.getinfo();
  m_argc = argv ? argc : 0;
  m_argv = argv;
  m_marks.assign(m_argc, Unmarked);
  m_sufs.assign(m_argc, nullptr);
  m_names.assign(m_argc, nullptr);
  m_cur = 0;
  m_error = false;
  m_swmode = false;
  m_swname = nullptr;
  m_msg.reset(nullptr);
  m_progress = 0;
}

void UT_CMDCHKIMP::resetmarks() {
  std::fill(m_marks.begin(), m_marks.end(), Unmarked);
  std::fill(m_sufs.begin(), m_sufs.end(), nullptr);
  std::fill(m_names.begin(), m_names.end(), nullptr);
  m_cur = 0;
  m_error = false;
  m_swmode = false;
  m_swname = nullptr;
  m_msg.reset(nullptr);
  m_progress = 0;
}

bool UT_CMDCHKIMP::isaswitch(int index) const {
  if (index < 0 || index >= m_argc || !m_argv[index])
    return false;
  const char c = m_argv[index][0];
  return (c == '-' || c == '+') && !isnumber(m_argv[index]);
}

int UT_CMDCHKIMP::nextunmarked(int from) const {
  while (from < m_argc && m_marks[from] != Unmarked)
    ++from;
  return from;
}

void UT_CMDCHKIMP::markargv(Mark mark) {
  if (m_swmode && mark == MarkArg)
    mark = MarkSwitchArg;
  else if (m_swmode && mark == MarkNumArg)
    mark = MarkSwitchNumArg;
  m_marks[m_cur] = mark;
  ++m_progress;
  m_cur = nextunmarked(m_cur + 1);
}

void UT_CMDCHKIMP::seterror(wchar_t *message) {
  m_msg.reset(message);
  m_error = true;
}

// Every group needs at least one variable or keyword outside optional and repeated parts.
bool UT_CMDCHKIMP::requiresarg() const {
  const PORT_DARRAY_UT_CMDOPS &ops = m_info->argops;
  if (m_info->numgrps <= 0)
    return false;
  for (int g = 0; g < m_info->numgrps; ++g) {
    bool required = false;
    for (int pc = nextop(ops, m_info->arggrpoff[g]); !required;) {
      const int op = ops.getop(pc);
      if (isCloser(op))
        break;
      switch (op) {
      case OP_VAR:
      case OP_KEY:
        required = true;
        break;
      case OP_OPTION:
        pc = nextop(ops, scan2op(ops, pc, OP_OPTION, OP_ENDOPTION));
        break;
      case OP_REPEAT:
        pc = nextop(ops, scan2op(ops, pc, OP_REPEAT, OP_ENDREPEAT));
        break;
      case OP_GROUP:
      case OP_OR:
      case OP_SECRETARG:
        pc = nextop(ops, pc);
        break;
      default:
        Port_MsgManData::createObject(kLib, __FILE__, __LINE__, kRev)
            ->issueInternal("Internal error - unexpected opcode %d found.\n", op);
        return false;
      }
    }
    if (!required)
      return false;
  }
  return true;
}

void UT_CMDCHKIMP::issueusage() {
  char *line = m_opcodes->usage();
  Port_MsgManData::createObject(kLib, __FILE__, __LINE__, kRev)->issueStatus("%s\n", line);
  delete[] line;
}

bool UT_CMDCHKIMP::giveusage() {
  const bool due = (m_argc == 0 && requiresarg()) || (m_argc >= 1 && is_helpsw(m_argv[0]));
  if (!due)
    return false;
  if (!m_quiet) {
    if (!m_name1.IsEmpty() && !m_name2.IsEmpty())
      Port::Version::init(m_name1.GetBuffer(), m_name2.GetBuffer());
    issueusage();
  }
  return true;
}

void UT_CMDCHKIMP::resetswflags(int g) {
  PORT_DARRAY_UT_CMDOPS &ops = m_info->swops;
  for (int i = m_info->swgrpoff[g]; i < ops.getnum(); i = nextop(ops, i))
    if (ops.getop(i) == OP_USEDNAME)
      ops[i] = OP_LITERAL;
}

bool UT_CMDCHKIMP::findswitch(int g, const char *name, bool withoutArgs, FoundSwitch &found) const {
  const PORT_DARRAY_UT_CMDOPS &ops = m_info->swops;
  for (int pc = nextop(ops, m_info->swgrpoff[g]);;) {
    const int op = ops.getop(pc);
    if (op == OP_END || op == OP_ENDGROUP)
      return false;
    if (op != OP_SWITCH && op != OP_SECRETSW) {
      pc = nextop(ops, pc);
      continue;
    }
    FoundSwitch f;
    int k = pc + 1;
    if (ops.getop(k) == OP_REPEAT) {
      f.repeatable = true;
      ++k;
    }
    if (ops.getop(k) == OP_KEY)
      ++k;
    for (; ops.getop(k) == OP_LITERAL || ops.getop(k) == OP_USEDNAME; k += 2) {
      const char *text = ops.getlit(k + 1);
      if (ops.getop(k) == OP_USEDNAME)
        f.used = true;
      if (f.nameCell < 0 && text && std::strcmp(text, name) == 0)
        f.nameCell = k;
      f.lastName = text;
    }
    f.endKey = k;
    pc = k;
    if (f.nameCell >= 0 && (!withoutArgs || ops.getop(k + 1) == OP_ENDSWITCH)) {
      found = f;
      return true;
    }
  }
}

bool UT_CMDCHKIMP::iscollapsedsw(int g, int index) {
  const char *arg = m_argv[index];
  const size_t len = std::strlen(arg);
  if (len <= 2)
    return false;
  for (size_t i = 1; i < len; ++i) {
    const char name[3] = {arg[0], arg[i], '\0'};
    FoundSwitch f;
    if (!findswitch(g, name, true, f)) {
      seterror(
          Port_MsgDispatcher::translateMsg("Portability", "Switch \"%s\" is not allowed.\n", arg));
      return false;
    }
    if (f.used && !f.repeatable) {
      seterror(Port_MsgDispatcher::translateMsg(
          "Portability", "Switch \"%s\" is excluded or already used.\n", name));
      return false;
    }
    m_info->swops[f.nameCell] = OP_USEDNAME;
  }
  m_cur = index;
  markargv(static_cast<Mark>(MarkCollapsed));
  return true;
}

bool UT_CMDCHKIMP::chkswgrp(int g) {
  m_ops = &m_info->swops;
  resetswflags(g);
  for (int i = 0; i < m_argc && !m_error; ++i) {
    if (m_marks[i] != Unmarked || !isaswitch(i))
      continue;
    m_cur = i;
    FoundSwitch f;
    if (!findswitch(g, m_argv[i], false, f)) {
      if (!iscollapsedsw(g, i) && !m_error)
        seterror(Port_MsgDispatcher::translateMsg("Portability", "Switch \"%s\" is not allowed.\n",
                                                  m_argv[i]));
      continue;
    }
    if (f.used && !f.repeatable) {
      seterror(Port_MsgDispatcher::translateMsg(
          "Portability", "Switch \"%s\" is excluded or already used.\n", m_argv[i]));
      break;
    }
    m_info->swops[f.nameCell] = OP_USEDNAME;
    markargv(MarkSwitch);
    if (m_info->swops.getop(f.endKey + 1) != OP_ENDSWITCH) {
      m_swmode = true;
      m_swname = f.lastName && f.lastName[0] == '-' ? f.lastName : nullptr;
      walk(f.endKey + 1);
      m_swmode = false;
      m_swname = nullptr;
    }
  }
  resetswflags(g);
  return !m_error;
}

bool UT_CMDCHKIMP::chkarggrp(int g) {
  m_ops = &m_info->argops;
  m_swmode = false;
  m_cur = nextunmarked(0);
  walk(nextop(*m_ops, m_info->arggrpoff[g]));
  if (!m_error && m_cur < m_argc)
    seterror(Port_MsgDispatcher::translateMsg(
        "Portability", "Unexpected argument[%d] \"%s\" found.\n", m_cur + 1, m_argv[m_cur]));
  return !m_error;
}

// Walks a sequence of terms up to the closer that ends it; returns the closer's index.
int UT_CMDCHKIMP::walk(int pc) {
  while (!m_error) {
    const int op = m_ops->getop(pc);
    switch (op) {
    case OP_END:
    case OP_ENDGROUP:
    case OP_ENDOPTION:
    case OP_ENDREPEAT:
    case OP_ENDSWITCH:
      return pc;
    case OP_GROUP:
    case OP_OR:
    case OP_ENDKEY:
    case OP_BIND:
    case OP_SECRETARG:
      pc = nextop(*m_ops, pc);
      break;
    case OP_VAR:
      pc = checkvar(pc);
      break;
    case OP_KEY:
      pc = checkkey(pc);
      break;
    case OP_OPTION:
      pc = checkoption(pc);
      break;
    case OP_REPEAT:
      pc = checkrepeat(pc);
      break;
    default:
      seterror(Port_MsgDispatcher::translateMsg(
          "Portability", "Internal error - undefined opcode %d found.\n", op));
      return pc;
    }
  }
  return pc;
}

int UT_CMDCHKIMP::checkvar(int pc) {
  const char *var = m_ops->getlit(pc + 2);
  if (!var)
    var = "";
  int next = pc + 3;
  const int kind = m_ops->getop(next);
  if (m_cur >= m_argc || isaswitch(m_cur)) {
    if (m_swname)
      seterror(Port_MsgDispatcher::translateMsg(
          "Portability", "Argument <%s> must be specified for the switch \"%s\".\n", var,
          m_swname));
    else
      seterror(Port_MsgDispatcher::translateMsg("Portability", "Argument <%s> must be specified.\n",
                                                var));
    return next;
  }
  const char *arg = m_argv[m_cur];
  const int position = m_cur + 1;
  if (kind == OP_RANGE) {
    const int minimum = m_ops->getop(next + 2);
    const int maximum = m_ops->getop(next + 4);
    next += 5;
    if (!isnumber(arg)) {
      if (m_swname)
        seterror(Port_MsgDispatcher::translateMsg(
            "Portability",
            "Expecting an integer value for argument[%d] <%s> of the switch \"%s\".  \"%s\" is "
            "invalid.\n",
            position, var, m_swname, arg));
      else
        seterror(Port_MsgDispatcher::translateMsg(
            "Portability",
            "Expecting an integer value for argument[%d] <%s> .  \"%s\" is invalid.\n", position,
            var, arg));
      return next;
    }
    const int value = cmdNumberValue(arg);
    if (value < minimum || value > maximum) {
      if (m_swname)
        seterror(Port_MsgDispatcher::translateMsg(
            "Portability",
            "Argument[%d] <%s> is not in range for the switch \"%s\". It must be between %d and "
            "%d.\n",
            position, var, m_swname, minimum, maximum));
      else
        seterror(Port_MsgDispatcher::translateMsg(
            "Portability", "Argument[%d] <%s> is not in range.  It must be between %d and %d.\n",
            position, var, minimum, maximum));
      return next;
    }
    m_names[m_cur] = var;
    markargv(MarkNumArg);
    return next;
  }
  if (kind == OP_SUFFIX || kind == OP_VARSUFFIX) {
    const char *spec = m_ops->getlit(next + 2);
    next += 3;
    std::string text;
    if (!setargtxt(arg, spec, m_swname, text, true))
      return next;
    m_sufs[m_cur] = spec;
  }
  m_names[m_cur] = var;
  markargv(MarkArg);
  return next;
}

int UT_CMDCHKIMP::checkkey(int pc) {
  std::string list;
  bool match = false;
  int k = pc + 1;
  for (;;) {
    const int op = m_ops->getop(k);
    if (op == OP_SECRETARG && m_ops->getop(k + 1) == OP_LITERAL) {
      const char *text = m_ops->getlit(k + 2);
      match = match || (m_cur < m_argc && text && std::strcmp(text, m_argv[m_cur]) == 0);
      k += 3;
    } else if (op == OP_LITERAL) {
      const char *text = m_ops->getlit(k + 1);
      if (!list.empty())
        list += '|';
      list += text ? text : "";
      match = match || (m_cur < m_argc && text && std::strcmp(text, m_argv[m_cur]) == 0);
      k += 2;
    } else {
      break;
    }
  }
  const int end = k; // OP_ENDKEY
  if (m_cur >= m_argc) {
    seterror(Port_MsgDispatcher::translateMsg(
        "Portability", "Missing a keyword argument.  You must specify: \"%s\".\n", list.c_str()));
    return end;
  }
  if (match) {
    markargv(MarkArg);
    return end;
  }
  if (m_swname && m_ops->getop(nextop(*m_ops, end)) == OP_ENDSWITCH)
    seterror(Port_MsgDispatcher::translateMsg(
        "Portability",
        "Switch \"%s\" has invalid value. Argument[%d] \"%s\" needs to match one of these "
        "keywords: \"%s\".\n",
        m_swname, m_cur + 1, m_argv[m_cur], list.c_str()));
  else
    seterror(Port_MsgDispatcher::translateMsg(
        "Portability", "Argument[%d] \"%s\" needs to match one of these keywords: \"%s\".\n",
        m_cur + 1, m_argv[m_cur], list.c_str()));
  return end;
}

// An optional part that fails before marking anything is skipped.
int UT_CMDCHKIMP::checkoption(int pc) {
  const int close = scan2op(*m_ops, pc, OP_OPTION, OP_ENDOPTION);
  const int after = nextop(*m_ops, close);
  const int inner = m_ops->getop(pc + 1);
  if (inner == OP_SWITCH || inner == OP_SECRETSW)
    return after; // a switch: the switch pass has dealt with it
  const int savedCur = m_cur;
  const int savedProgress = m_progress;
  walk(pc + 1);
  if (m_error && m_progress == savedProgress) {
    m_error = false;
    m_msg.reset(nullptr);
    m_cur = savedCur;
    return after;
  }
  return m_error ? close : after;
}

// A repeated part matches zero or more times, greedily; a round that marks nothing ends it.
int UT_CMDCHKIMP::checkrepeat(int pc) {
  const int close = scan2op(*m_ops, pc, OP_REPEAT, OP_ENDREPEAT);
  while (!m_error && m_cur < m_argc && !isaswitch(m_cur)) {
    const int before = m_progress;
    walk(pc + 1);
    if (m_progress == before)
      break;
  }
  return m_error ? close : nextop(*m_ops, close);
}

bool UT_CMDCHKIMP::setargtxt(const char *value, const char *spec, const char *swname,
                             std::string &text, bool report) {
  text = value;
  if (!spec || !*spec)
    return true;
  if (spec[0] == '<') {
    const char *suffix = spec + 1;
    if (*suffix && !std::strchr(value, suffix[0]))
      text += suffix;
    return true;
  }
  const char *slash = std::strrchr(value, '/');
  const char *backslash = std::strrchr(value, '\\');
  const char *base = slash > backslash ? slash : backslash;
  const bool hasExtension = std::strchr(base ? base : value, '.') != nullptr;
  if (!hasExtension) {
    const char *bar = std::strchr(spec, '|');
    text.append(spec, bar ? static_cast<size_t>(bar - spec) : std::strlen(spec));
    return true;
  }
  const size_t len = std::strlen(value);
  for (const char *ext = spec; *ext;) {
    const char *bar = std::strchr(ext, '|');
    const size_t n = bar ? static_cast<size_t>(bar - ext) : std::strlen(ext);
    if (n <= len && UT_STR::INCompare(value + len - n, ext, n) == 0)
      return true;
    ext += n;
    if (*ext == '|')
      ++ext;
  }
  if (report) {
    if (swname)
      seterror(Port_MsgDispatcher::translateMsg(
          "Portability",
          "Argument \"%s\" has an invalid extension for the switch \"%s\". The valid extension "
          "is \"%s\".  If your file name has more than one \".\" in it you must explicitly "
          "enter the full file name with its extension.\n",
          value, swname, spec));
    else
      seterror(Port_MsgDispatcher::translateMsg(
          "Portability",
          "Argument \"%s\" has an invalid extension.  The valid extension is \"%s\".  If your "
          "file name has more than one \".\" in it you must explicitly enter the full file name "
          "with its extension.\n",
          value, spec));
  }
  return false;
}

void UT_CMDCHKIMP::gencmdargs(UT_ARGINFO &info) {
  info.clear();
  int numsw = 0;
  int numargs = 0;
  for (int i = 0; i < m_argc; ++i) {
    if (m_marks[i] == MarkSwitch)
      ++numsw;
    else if (m_marks[i] == MarkCollapsed)
      numsw += static_cast<int>(std::strlen(m_argv[i])) - 1;
    else if (m_marks[i] == MarkArg || m_marks[i] == MarkNumArg)
      ++numargs;
  }
  info.numsw = static_cast<int16_t>(numsw);
  info.numargs = static_cast<int16_t>(numargs);
  info.switches = numsw ? new UT_CMDSWINFO[numsw] : nullptr;
  info.args = numargs ? new UT_CMDARGINFO[numargs] : nullptr;
  int s = 0;
  int a = 0;
  std::string text;
  for (int i = 0; i < m_argc; ++i) {
    const char *value = m_argv[i];
    switch (m_marks[i]) {
    case MarkSwitch: {
      UT_CMDSWINFO &sw = info.switches[s++];
      sw.setname(value);
      sw.setargvindex(static_cast<short>(i));
      int n = 0;
      while (i + 1 + n < m_argc &&
             (m_marks[i + 1 + n] == MarkSwitchArg || m_marks[i + 1 + n] == MarkSwitchNumArg))
        ++n;
      sw.setnumargs(static_cast<short>(n));
      for (int k = 0; k < n; ++k) {
        const int j = i + 1 + k;
        UT_CMDARGINFO *arg = sw.getarg(static_cast<short>(k));
        setargtxt(m_argv[j], m_sufs[j], nullptr, text, false);
        arg->setargtxt(text.c_str());
        arg->setname(m_names[j]);
        arg->setargvindex(static_cast<short>(j));
        if (isnumber(text.c_str()))
          arg->setnumandflag(cmdNumberValue(text.c_str()), 1);
      }
      break;
    }
    case MarkCollapsed:
      for (const char *c = value + 1; *c; ++c) {
        const char name[3] = {value[0], *c, '\0'};
        UT_CMDSWINFO &sw = info.switches[s++];
        sw.setname(name);
        sw.setargvindex(static_cast<short>(i));
      }
      break;
    case MarkArg:
    case MarkNumArg: {
      UT_CMDARGINFO &arg = info.args[a++];
      setargtxt(value, m_sufs[i], nullptr, text, false);
      arg.setargtxt(text.c_str());
      arg.setname(m_names[i]);
      arg.setargvindex(static_cast<short>(i));
      if (m_marks[i] == MarkNumArg)
        arg.setnumandflag(cmdNumberValue(value), 1);
      break;
    }
    default:
      break;
    }
  }
}

void UT_CMDCHKIMP::chkerror(const wchar_t *message) {
  if (m_quiet)
    return;
  if (!m_name1.IsEmpty() && !m_name2.IsEmpty())
    Port::Version::init(m_name1.GetBuffer(), m_name2.GetBuffer());
  if (m_handler)
    m_handler->handleCommandLineError(message);
  else if (message)
    Port_MsgManData::createObject(kLib, __FILE__, __LINE__, kRev)
        ->issueError("Command line error: %z\n", message);
  else
    Port_MsgManData::createObject(kLib, __FILE__, __LINE__, kRev)
        ->issueError("Command line error: UNKNOWN error.\n");
  issueusage();
}

bool UT_CMDCHKIMP::chkargs(int argc, const char *const *argv, UT_CMDOPCODES &ops,
                           UT_ARGINFO &info) {
  info.clear();
  if (argc < 0)
    argc = 0;
  resetchk(argc, argv, ops);
  if (m_argc > INT16_MAX) {
    m_msg.reset(Port_MsgDispatcher::translateMsg("Portability",
                                                 "The command line holds more than %d arguments.\n",
                                                 static_cast<int>(INT16_MAX)));
    chkerror(m_msg.text);
    info.error = 1;
    info.usagegiven = m_quiet ? 0 : 1;
    return false;
  }
  if (giveusage()) {
    info.usagegiven = 1;
    info.error = 0;
    return true;
  }
  bool ok = false;
  int best = -1;
  WideText kept;
  for (int g = 0; g < m_info->numgrps && !ok; ++g) {
    resetmarks();
    if (chkswgrp(g) && chkarggrp(g)) {
      gencmdargs(info);
      ok = true;
    } else if (m_progress > best) {
      best = m_progress;
      kept.reset(m_msg.text ? UT_STR::WDup(m_msg.text) : nullptr);
    }
  }
  if (!ok) {
    chkerror(kept.text);
    if (!m_quiet)
      info.usagegiven = 1;
  }
  info.error = ok ? 0 : 1;
  m_marks.clear();
  m_sufs.clear();
  m_names.clear();
  return ok;
}

// ---- the handle ----

UT_CMDCHK::UT_CMDCHK() : m_imp(new UT_CMDCHKIMP(false, nullptr, nullptr, nullptr)) {}

UT_CMDCHK::UT_CMDCHK(unsigned char quiet)
    : m_imp(new UT_CMDCHKIMP(quiet != 0, nullptr, nullptr, nullptr)) {}

UT_CMDCHK::UT_CMDCHK(const char *name1, const char *name2)
    : m_imp(new UT_CMDCHKIMP(false, name1, name2, nullptr)) {}

UT_CMDCHK::UT_CMDCHK(std::unique_ptr<Port::CmdargErrHandler> handler)
    : m_imp(new UT_CMDCHKIMP(false, nullptr, nullptr, std::move(handler))) {}

UT_CMDCHK::~UT_CMDCHK() { delete m_imp; }

bool UT_CMDCHK::chkargs(int argc, const char *const *argv, UT_CMDOPCODES &ops, UT_ARGINFO &info) {
  return m_imp->chkargs(argc, argv, ops, info);
}

UT_CMDARGS *UT_CMDCHK::chkargs(int argc, const char *const *argv, UT_CMDOPCODES &ops) {
  UT_CMDARGS *args = new UT_CMDARGS();
  m_imp->chkargs(argc, argv, ops, args->getinfo());
  return args;
}
