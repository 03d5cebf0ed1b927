// basutcmdarg.cpp - the checked command line of a tool (UT_CMDARGS), its value classes, the
// usage line of a compiled format, and help files.
//
// Help file of a tool: the first word of its format, cut at ".exe", plus ".usg", looked up in
// each installation directory as <dir>/<arch>/msgs/<lang>/<file> or <dir>/<arch>/data/<file>
// (an architecture named after a help switch), then <dir>/base/msgs/<lang>/<file> or
// <dir>/data/<file>.
#include "basutcmdarg.h"
#include "cmdline/basutcmdargimp.h"
#include "cmdline/cmdops.h"

#include "Port_Env.h"
#include "Port_File.h"
#include "Port_MsgManData.h"
#include "Port_PathList.h"
#include "Port_Version.h"
#include "basutcmdfil.h"
#include "basutstr.h"
#include "basutstream.h"
#include "msg/libreport.h"

#include <cstring>
#include <memory>
#include <string>

namespace {
const char *const kRev = "$Revision: 1.1 $";

const LibraryReport report(__FILE__, kRev);

short checked16(int value) {
  if (value < -32767 || value > 32766)
    report(__LINE__)->issueFatal(19, "getargnum: value out of bounds\n");
  return static_cast<short>(value);
}

char *dupOrNull(const char *text) { return text ? UT_STR::Dup(text) : nullptr; }

// The nth (from 0) of items[from, to) that nameOf names name, or null; no items, no match.
template <class Info, class NameOf>
Info *nthNamed(Info *items, int from, int to, const char *name, short n, NameOf nameOf) {
  if (!name || !items)
    return nullptr;
  for (int i = from; i < to; ++i) {
    const char *itemName = nameOf(items[i]);
    if (itemName && std::strcmp(itemName, name) == 0 && n-- == 0)
      return &items[i];
  }
  return nullptr;
}

const char *argName(const UT_CMDARGINFO &arg) { return arg.getargname(); }
} // namespace

// ---- UT_CMDARGINFO ----

class UT_CMDARGINFOIMP {
public:
  ~UT_CMDARGINFOIMP() {
    delete[] text;
    delete[] name;
  }
  char *text = nullptr;
  char *name = nullptr;
  int32_t number = 0;
  unsigned char isnum = 0;
  int16_t argvindex = 0;
};

UT_CMDARGINFO::UT_CMDARGINFO() : m_imp(new UT_CMDARGINFOIMP) {}
UT_CMDARGINFO::~UT_CMDARGINFO() { delete m_imp; }
const char *UT_CMDARGINFO::getargtxt() const { return m_imp->text; }
const char *UT_CMDARGINFO::getargname() const { return m_imp->name; }
int UT_CMDARGINFO::getargnum32() const { return m_imp->number; }
short UT_CMDARGINFO::getargnum() const { return checked16(m_imp->number); }
bool UT_CMDARGINFO::isnum() const { return m_imp->isnum != 0; }
short UT_CMDARGINFO::getargvindex() const { return m_imp->argvindex; }

void UT_CMDARGINFO::setargtxt(const char *text) {
  delete[] m_imp->text;
  m_imp->text = dupOrNull(text);
  m_imp->isnum = 0;
}

void UT_CMDARGINFO::setnumandflag(int value, unsigned char isnum) {
  m_imp->number = value;
  m_imp->isnum = isnum;
}

void UT_CMDARGINFO::setargvindex(short index) { m_imp->argvindex = index; }

void UT_CMDARGINFO::setname(const char *name) {
  delete[] m_imp->name;
  m_imp->name = dupOrNull(name);
}

// ---- UT_CMDSWINFO ----

class UT_CMDSWINFOIMP {
public:
  ~UT_CMDSWINFOIMP() {
    delete[] name;
    delete[] args;
  }
  char *name = nullptr;
  int16_t argvindex = 0;
  int16_t numargs = 0;
  UT_CMDARGINFO *args = nullptr;
};

UT_CMDSWINFO::UT_CMDSWINFO() : m_imp(new UT_CMDSWINFOIMP) {}
UT_CMDSWINFO::~UT_CMDSWINFO() { delete m_imp; }
const char *UT_CMDSWINFO::getswname() const { return m_imp->name; }
short UT_CMDSWINFO::getargvindex() const { return m_imp->argvindex; }
short UT_CMDSWINFO::getnumargs() const { return m_imp->numargs; }
bool UT_CMDSWINFO::hasargs() const { return m_imp->args != nullptr; }

UT_CMDARGINFO *UT_CMDSWINFO::getarg(short i) const {
  return i >= 0 && i < m_imp->numargs && m_imp->args ? &m_imp->args[i] : nullptr;
}

UT_CMDARGINFO *UT_CMDSWINFO::getarg(const char *name, short n) const {
  return nthNamed(m_imp->args, 0, m_imp->numargs, name, n, argName);
}

const char *UT_CMDSWINFO::getargtxt(short i) const {
  const UT_CMDARGINFO *arg = getarg(i);
  return arg ? arg->getargtxt() : nullptr;
}

int UT_CMDSWINFO::getargnum32(short i) const {
  const UT_CMDARGINFO *arg = getarg(i);
  return arg ? arg->getargnum32() : 0;
}

short UT_CMDSWINFO::getargnum(short i) const {
  const UT_CMDARGINFO *arg = getarg(i);
  return arg ? arg->getargnum() : 0;
}

void UT_CMDSWINFO::setname(const char *name) {
  delete[] m_imp->name;
  m_imp->name = dupOrNull(name);
}

void UT_CMDSWINFO::setargvindex(short index) { m_imp->argvindex = index; }

void UT_CMDSWINFO::setnumargs(short n) {
  delete[] m_imp->args;
  m_imp->args = n > 0 ? new UT_CMDARGINFO[n] : nullptr;
  m_imp->numargs = n > 0 ? n : 0;
}

void UT_CMDSWINFO::setargs(UT_CMDARGINFO *args, short n) {
  delete[] m_imp->args;
  m_imp->args = args;
  m_imp->numargs = args ? n : 0;
}

// ---- UT_ARGINFO ----

UT_ARGINFO::UT_ARGINFO()
    : switches(nullptr), args(nullptr), numsw(0), numargs(0), error(0), usagegiven(0), argshift(0),
      swshift(0) {}

UT_ARGINFO::~UT_ARGINFO() { clear(); }

void UT_ARGINFO::clear() {
  delete[] switches;
  delete[] args;
  switches = nullptr;
  args = nullptr;
  numsw = numargs = 0;
  error = usagegiven = 0;
  argshift = swshift = 0;
}

// ---- usage line ----

namespace {
bool closesPart(int op) {
  return op == OP_ENDREPEAT || op == OP_ENDSWITCH || op == OP_ENDGROUP || op == OP_ENDOPTION;
}

using cmdops::nextop;

// The index after the closer matching the opener at pc (the end cell's when there is none).
int skipPart(const PORT_DARRAY_UT_CMDOPS &ops, int pc, int open, int close, int alsoOpen = -1) {
  const int i = cmdops::scan2op(ops, pc, open, close, alsoOpen);
  return i < ops.getnum() && ops.getop(i) == close ? nextop(ops, i) : i;
}

// The index after the OP_ENDSWITCH that closes the switch at pc (switches may nest).
int skipSwitch(const PORT_DARRAY_UT_CMDOPS &ops, int pc) {
  return skipPart(ops, pc, OP_SWITCH, OP_ENDSWITCH, OP_SECRETSW);
}

void blankUnlessClosing(std::string &out, const PORT_DARRAY_UT_CMDOPS &ops, int next) {
  if (!closesPart(ops.getop(next)))
    out += ' ';
}

// The index after a variable's qualifier (suffixes, range or variable suffix), from the cell
// after the variable's name.
int skipQualifier(const PORT_DARRAY_UT_CMDOPS &ops, int next) {
  const int kind = ops.getop(next);
  if (kind == OP_SUFFIX || kind == OP_VARSUFFIX)
    return next + 3;
  if (kind == OP_RANGE)
    return next + 5;
  return next;
}

// Writes one group's switch or argument part of the usage line, from its OP_GROUP, an opcode at
// a time; hidden switches, arguments and keywords are left out.
class UsagePart {
public:
  UsagePart(std::string &out, const PORT_DARRAY_UT_CMDOPS &ops, bool switchPart, bool lastGroup,
            int groups)
      : m_out(out), m_ops(ops), m_switchPart(switchPart), m_lastGroup(lastGroup), m_groups(groups) {
  }

  void write(int pc) {
    while (pc >= 0 && pc < m_ops.getnum())
      pc = step(pc);
  }

private:
  // The index of the next opcode to write, or -1 where the part ends.
  int step(int pc) {
    const int op = m_ops.getop(pc);
    const int next = nextop(m_ops, pc);
    switch (op) {
    case OP_END:
      return -1;
    case OP_GROUP:
      if (m_switchPart && m_groups > 1)
        m_out += " (";
      return next;
    case OP_ENDGROUP:
      endGroup();
      return -1;
    case OP_VAR:
      return variable(pc);
    case OP_OPTION:
      return option(pc, next);
    case OP_ENDOPTION:
      m_out += ']';
      --m_level;
      return closed(next);
    case OP_SWITCH:
      return switchStart(next);
    case OP_SECRETSW:
      return skipSwitch(m_ops, pc);
    case OP_ENDSWITCH:
      if (m_level == 0)
        m_out += m_repeatableSwitch ? '}' : ']';
      m_repeatableSwitch = false;
      return closed(next);
    case OP_REPEAT:
      if (m_ops.getop(next) == OP_SECRETARG)
        return skipPart(m_ops, pc, OP_REPEAT, OP_ENDREPEAT);
      m_out += '{';
      return next;
    case OP_ENDREPEAT:
      m_out += '}';
      return closed(next);
    case OP_KEY:
      m_inNames = true;
      m_firstName = true;
      return next;
    case OP_ENDKEY:
      m_inNames = false;
      return closed(next);
    case OP_LITERAL:
    case OP_USEDNAME:
      name(m_ops.getlit(pc + 1));
      return next;
    case OP_SECRETARG:
      return hidden(next);
    default:
      return next;
    }
  }

  // A blank after an item, unless a closer follows it.
  int closed(int next) {
    blankUnlessClosing(m_out, m_ops, next);
    return next;
  }

  void endGroup() {
    if (m_switchPart) {
      if (m_out.empty() || m_out.back() != ' ')
        m_out += ' ';
    } else if (m_groups > 1) {
      m_out += ") ";
      if (!m_lastGroup)
        m_out += '|';
    }
  }

  // <name>, <name[suffixes]>, <name<suffix>> or <name:min,max>.
  int variable(int pc) {
    m_out += '<';
    const char *name = m_ops.getlit(pc + 2);
    m_out += name ? name : "";
    const int next = pc + 3;
    const int kind = m_ops.getop(next);
    if (kind == OP_SUFFIX) {
      const char *spec = m_ops.getlit(next + 2);
      m_out += '[';
      m_out += spec ? spec : "";
      m_out += ']';
    } else if (kind == OP_VARSUFFIX) {
      const char *spec = m_ops.getlit(next + 2);
      m_out += '<';
      m_out += spec && *spec ? spec + 1 : "";
      m_out += '>';
    } else if (kind == OP_RANGE) {
      m_out +=
          ':' + std::to_string(m_ops.getop(next + 2)) + ',' + std::to_string(m_ops.getop(next + 4));
    }
    m_out += '>';
    return closed(skipQualifier(m_ops, next));
  }

  // An optional part, left out whole when it holds a hidden switch or argument.
  int option(int pc, int next) {
    const int inner = m_ops.getop(next);
    if (inner == OP_SECRETSW || inner == OP_SECRETARG)
      return skipPart(m_ops, pc, OP_OPTION, OP_ENDOPTION);
    m_out += '[';
    ++m_level;
    return next;
  }

  // A switch: "{" when repeatable, "[" when the option around it has not been written.
  int switchStart(int next) {
    m_repeatableSwitch = m_ops.getop(next) == OP_REPEAT;
    if (m_repeatableSwitch) {
      m_out += '{';
      return nextop(m_ops, next);
    }
    if (m_level == 0)
      m_out += '[';
    return next;
  }

  // One of a list of names, joined by '|'.
  void name(const char *text) {
    if (m_inNames && !m_firstName)
      m_out += '|';
    m_out += text ? text : "";
    m_firstName = false;
  }

  // A hidden keyword or variable is passed over.
  int hidden(int next) {
    const int inner = m_ops.getop(next);
    if (inner == OP_LITERAL || inner == OP_USEDNAME)
      return nextop(m_ops, next);
    if (inner == OP_VAR)
      return skipQualifier(m_ops, next + 3);
    return next;
  }

  std::string &m_out;
  const PORT_DARRAY_UT_CMDOPS &m_ops;
  const bool m_switchPart;
  const bool m_lastGroup;
  const int m_groups;
  int m_level = 0;
  bool m_repeatableSwitch = false;
  bool m_inNames = false; // between OP_KEY and OP_ENDKEY
  bool m_firstName = true;
};

} // namespace

char *UT_CMDOPCODES::usage() const {
  const UT_OPCODEINFO &info = m_imp->info;
  std::string out = "Usage: ";
  out += info.cmdname ? info.cmdname : "";
  out += ' ';
  for (int g = 0; g < info.numgrps; ++g) {
    const bool last = g == info.numgrps - 1;
    UsagePart(out, info.swops, true, last, info.numgrps).write(info.swgrpoff[g]);
    UsagePart(out, info.argops, false, last, info.numgrps).write(info.arggrpoff[g]);
  }
  if (out.size() > 1023) // the line is built in a buffer of 1024 characters
    out.resize(1023);
  return UT_STR::Dup(out.c_str());
}

// ---- UT_CMDARGS ----

class UT_CMDARGSIMP : public UT_ARGINFO {
public:
  ~UT_CMDARGSIMP() override { delete[] cmdline; }
  char *cmdline = nullptr;

  void initialize(const char *name1, const char *name2, int argc, const char *const *argv,
                  const char *fmt, void (*help)(), void (*topicHelp)(const char *),
                  unsigned short flags, std::unique_ptr<Port::CmdargErrHandler> handler);
};

namespace {
bool hasSpace(const char *text) {
  for (; *text; ++text)
    if (UT_STR::IsSpace(static_cast<unsigned char>(*text)))
      return true;
  return false;
}

// The vector as received, joined with blanks; an element holding white space is quoted.
char *create_cmdline(int argc, const char *const *argv) {
  std::string line;
  for (int i = 0; argv && i < argc; ++i) {
    const char *arg = argv[i] ? argv[i] : "";
    if (i > 0)
      line += ' ';
    if (hasSpace(arg))
      line += std::string("\"") + arg + "\"";
    else
      line += arg;
  }
  return UT_STR::Dup(line.c_str());
}

// The help file name of a format: its first word cut at ".exe", plus ".usg".
std::string helpFileName(const char *fmt, std::string &command) {
  std::string word;
  for (const char *p = fmt ? fmt : ""; *p && *p != ' ' && word.size() < 75; ++p)
    word += *p;
  const size_t exe = word.find(".exe");
  if (exe != std::string::npos)
    word.resize(exe);
  command = word;
  return word + ".usg";
}

std::string findFirst(const char *layout, const char *a, const char *b, const char *c) {
  Port::PathList *dirs = Port::QuelmoPath::GetInstance();
  if (!dirs)
    return std::string();
  for (Port::PathListIterator it = dirs->begin(); it != dirs->end(); ++it) {
    Port::StringBase<char> path;
    path.Format(layout, it->GetBuffer(), a, b, c);
    if (Port_File::isfile(path.GetBuffer()))
      return path.GetBuffer();
  }
  return std::string();
}

std::string findBaseHelp(const std::string &file) {
  const char *lang = Port_Env::GetLang();
  std::string found = findFirst("%s/base/msgs/%s/%s", lang, file.c_str(), "");
  if (found.empty())
    found = findFirst("%s/data/%s", file.c_str(), "", "");
  return found;
}

// Prints a help file as status messages; false when it cannot be opened.
bool printHelpFile(const std::string &path) {
  if (path.empty())
    return false;
  UT_STREAM *in = Port_File::open(path.c_str(), UT_STREAM::Read, 0);
  if (!in)
    return false;
  report(__LINE__)->issueStatus(" \n");
  const size_t kPiece = 511;
  for (;;) {
    Port::StringBase<char> line;
    const bool ended = line.ReadLine(in);
    if (!ended && line.IsEmpty())
      break;
    // long lines are printed in pieces of 511 characters
    const char *text = line.GetBuffer();
    size_t left = line.GetLength();
    do {
      const size_t n = left < kPiece ? left : kPiece;
      const std::string piece = std::string(text, n) + '\n';
      std::unique_ptr<wchar_t[]> wide(UT_STR::MbstrToWstr(piece.c_str()));
      report(__LINE__)->issueStatus("%z", wide.get());
      text += n;
      left -= n;
    } while (left > 0);
    if (!ended)
      break;
  }
  Port_File::close(in);
  return true;
}

bool hasIntstyle(int argc, const char *const *argv) {
  for (int i = 0; argv && i < argc; ++i)
    if (argv[i] && std::strcmp(argv[i], "-intstyle") == 0)
      return true;
  return false;
}
} // namespace

void UT_CMDARGSIMP::initialize(const char *name1, const char *name2, int argc,
                               const char *const *argv, const char *fmt, void (*help)(),
                               void (*topicHelp)(const char *), unsigned short flags,
                               std::unique_ptr<Port::CmdargErrHandler> handler) {
  if (!argv || argc < 0)
    argc = 0;
  delete[] cmdline;
  cmdline = create_cmdline(argc, argv);
  if (!(flags & UT_CMDARGS_ARGV_NO_PROGRAM) && argc != 0) {
    --argc;
    ++argv;
  }
  std::unique_ptr<UT_CMDFILE> files;
  if (!(flags & UT_CMDARGS_NO_CMDFILE) && argc != 0) {
    files.reset(new UT_CMDFILE(argc, argv));
    argc = files->getargc();
    argv = files->getargv();
  }
  clear();
  if (!(flags & UT_CMDARGS_NO_INSTALL_PATH))
    Port::QuelmoPath::GetInstance();

  UT_CMDOPCODES ops(fmt);
  const bool names = name1 && name2 && *name1 && *name2;
  std::unique_ptr<UT_CMDCHK> check;
  if (names)
    check.reset(new UT_CMDCHK(name1, name2));
  else if (topicHelp)
    check.reset(new UT_CMDCHK());
  else
    check.reset(new UT_CMDCHK(std::move(handler)));
  check->chkargs(argc, argv, ops, *this);
  if (files && !error && !files->loadstat())
    error = 1;

  if (usagegiven) {
    std::string command;
    const std::string file = helpFileName(fmt, command);
    if (topicHelp) {
      if (argc <= 1)
        printHelpFile(findBaseHelp(file));
      else
        topicHelp(UT_STR::Dup(argv[1]));
    } else {
      std::string found;
      // An architecture word follows a help switch only: after a command-line error the second
      // argument is an ordinary argument.
      if (argc >= 2 && is_helpsw(argv[0])) {
        std::string arch = argv[1] ? argv[1] : "";
        for (char &c : arch)
          c = static_cast<char>(UT_STR::ToLower(static_cast<unsigned char>(c)));
        found = findFirst("%s/%s/msgs/%s/%s", arch.c_str(), Port_Env::GetLang(), file.c_str());
        if (found.empty())
          found = findFirst("%s/%s/data/%s", arch.c_str(), file.c_str(), "");
        if (found.empty())
          report(__LINE__)->issueStatus(
              "There is no %s architecture specific help available for %s.  The architecture "
              "independent help is instead provided below.\n",
              arch.c_str(), command.c_str());
      }
      if (found.empty())
        found = findBaseHelp(file);
      if (!printHelpFile(found) && help)
        help();
    }
  }
  if (names && !usagegiven && !hasIntstyle(argc, argv))
    Port::Version::init(name1, name2);
}

UT_CMDARGS::UT_CMDARGS() : m_imp(new UT_CMDARGSIMP) { m_imp->cmdline = UT_STR::Dup(""); }

UT_CMDARGS::UT_CMDARGS(int argc, const char *const *argv, UT_CMDOPCODES *ops)
    : m_imp(new UT_CMDARGSIMP) {
  if (!argv || argc < 0)
    argc = 0;
  m_imp->cmdline = create_cmdline(argc, argv);
  if (!ops || ops->iserror()) {
    m_imp->error = 1;
    return;
  }
  UT_CMDCHK().chkargs(argc, argv, *ops, *m_imp);
}

UT_CMDARGS::UT_CMDARGS(int argc, const char *const *argv, const char *fmt, void (*help)(),
                       unsigned short flags)
    : m_imp(new UT_CMDARGSIMP) {
  m_imp->initialize(nullptr, nullptr, argc, argv, fmt, help, nullptr, flags, nullptr);
}

UT_CMDARGS::UT_CMDARGS(int argc, const char *const *argv, const char *fmt,
                       std::unique_ptr<Port::CmdargErrHandler> handler, void (*help)(),
                       unsigned short flags)
    : m_imp(new UT_CMDARGSIMP) {
  m_imp->initialize(nullptr, nullptr, argc, argv, fmt, help, nullptr, flags, std::move(handler));
}

UT_CMDARGS::UT_CMDARGS(const char *name1, const char *name2, int argc, const char *const *argv,
                       const char *fmt, void (*help)(), unsigned short flags)
    : m_imp(new UT_CMDARGSIMP) {
  m_imp->initialize(name1, name2, argc, argv, fmt, help, nullptr, flags, nullptr);
}

UT_CMDARGS::UT_CMDARGS(int argc, const char *const *argv, const char *name1, const char *name2,
                       const char *fmt, void (*topicHelp)(const char *), unsigned short flags)
    : m_imp(new UT_CMDARGSIMP) {
  static void (*const noTopicHelp)(const char *) = [](const char *text) { delete[] text; };
  m_imp->initialize(name1, name2, argc, argv, fmt, nullptr, topicHelp ? topicHelp : noTopicHelp,
                    flags, nullptr);
}

UT_CMDARGS::~UT_CMDARGS() { delete m_imp; }

short UT_CMDARGS::getnumargs() const { return m_imp->numargs - m_imp->argshift; }
short UT_CMDARGS::getnumsw() const { return m_imp->numsw - m_imp->swshift; }

UT_CMDARGINFO *UT_CMDARGS::getarg(short i) const {
  if (i < 0 || i >= getnumargs()) {
    report(__LINE__)->issueFatal(19, "getarg: Arg index out of bounds.\n");
    return nullptr;
  }
  return &m_imp->args[m_imp->argshift + i];
}

UT_CMDSWINFO *UT_CMDARGS::getsw(short i) const {
  if (i < 0 || i >= getnumsw()) {
    report(__LINE__)->issueFatal(19, "getsw: Switch index out of bounds.\n");
    return nullptr;
  }
  return &m_imp->switches[m_imp->swshift + i];
}

UT_CMDARGINFO *UT_CMDARGS::getarg(const char *name, short n) const {
  return nthNamed(m_imp->args, m_imp->argshift, m_imp->numargs, name, n, argName);
}

UT_CMDSWINFO *UT_CMDARGS::getsw(const char *name, short n) const {
  return nthNamed(m_imp->switches, m_imp->swshift, m_imp->numsw, name, n,
                  [](const UT_CMDSWINFO &sw) { return sw.getswname(); });
}

bool UT_CMDARGS::findsw(const char *name) const { return getsw(name, 0) != nullptr; }

void UT_CMDARGS::shift() {
  if (m_imp->argshift < m_imp->numargs)
    ++m_imp->argshift;
}

void UT_CMDARGS::shiftsw() {
  if (m_imp->swshift < m_imp->numsw)
    ++m_imp->swshift;
}

void UT_CMDARGS::reset() { m_imp->argshift = 0; }
void UT_CMDARGS::resetsw() { m_imp->swshift = 0; }
bool UT_CMDARGS::iserror() const { return m_imp->error != 0; }
bool UT_CMDARGS::gaveusage() const { return m_imp->usagegiven != 0; }
const char *UT_CMDARGS::getorigcmdline() const { return m_imp->cmdline; }
UT_ARGINFO &UT_CMDARGS::getinfo() { return *m_imp; }

namespace {
// Double quotes doubled; the whole quoted when it holds a blank.
std::string quoteArg(const char *text) {
  std::string out;
  for (const char *p = text; *p; ++p) {
    if (*p == '"')
      out += '"';
    out += *p;
  }
  if (std::strchr(text, ' '))
    out = "\"" + out + "\"";
  return out;
}
} // namespace

char *UT_CMDARGS::getcmdline() const {
  std::string line;
  for (int i = m_imp->swshift; i < m_imp->numsw; ++i) {
    const UT_CMDSWINFO &sw = m_imp->switches[i];
    line += sw.getswname() ? sw.getswname() : "";
    line += ' ';
    for (short k = 0; k < sw.getnumargs(); ++k) {
      const char *text = sw.getargtxt(k);
      if (text && *text)
        line += quoteArg(text) + ' ';
    }
  }
  for (int i = m_imp->argshift; i < m_imp->numargs; ++i) {
    const char *text = m_imp->args[i].getargtxt();
    line += quoteArg(text ? text : "") + ' ';
  }
  return UT_STR::Dup(line.c_str());
}

void UT_CMDARGS::dump() const {
  report(__LINE__)->issueStatus("Dump of UT_CMDARGSIMP object:\n");
  report(__LINE__)->issueStatus("Number of switches = %d \n", static_cast<int>(getnumsw()));
  report(__LINE__)->issueStatus("Number of args     = %d \n", static_cast<int>(getnumargs()));
  for (int i = m_imp->swshift; i < m_imp->numsw; ++i) {
    const UT_CMDSWINFO &sw = m_imp->switches[i];
    report(__LINE__)->issueStatus("sw[%d]: name=%s \n", i - m_imp->swshift, sw.getswname());
    for (short k = 0; k < sw.getnumargs(); ++k) {
      report(__LINE__)->issueStatus("swarg[%d]: \n", static_cast<int>(k));
      report(__LINE__)->issueStatus("swarg=%s \n", sw.getargtxt(k));
    }
    report(__LINE__)->issueStatus("\n");
  }
  for (int i = m_imp->argshift; i < m_imp->numargs; ++i) {
    report(__LINE__)->issueStatus("arg[%d]: \n", i - m_imp->argshift);
    report(__LINE__)->issueStatus("val=%s \n", m_imp->args[i].getargtxt());
    report(__LINE__)->issueStatus("\n");
  }
}
