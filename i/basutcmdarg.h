// basutcmdarg.h - command lines: the command format language, its compiler (UT_CMDOPCODES),
// the checker (UT_CMDCHK), the checked arguments (UT_CMDARGS) and their value classes.
//
// Format language, in short: the command name, then either terms (one implicit group) or
// groups "( terms )" optionally separated by "|". Terms: variables <name>, <name:min,max>,
// <name[.ext1|.ext2]>, <name<.ext>>; keywords word or word1|word2; optional parts [ terms ];
// repeated parts { terms }; switches [-name args], [-name|-alias args], hidden [--name args],
// repeatable {-name args}; the hide mark & before a variable or a keyword alternative.
//
// Thread safety: a compiled format (UT_CMDOPCODES) is marked and unmarked by each check, so one
// compiled format must not be checked on two threads at once. Everything else is per object.
#ifndef BASUTCMDARG_H
#define BASUTCMDARG_H

#include "Port_Export.h"

#include "Port_StringBase.h"
#include "basutdarray.h"

#include <cstdint>
#include <memory>

namespace Port {

// Implemented by a tool that wants command-format and command-line errors delivered to it
// instead of reported as messages. Whoever holds a handler deletes it through the destructor.
class PORT_API CmdargErrHandler {
public:
  // A compile error of a command format: the message text, such as "Closing ')' expected.".
  // Without a handler such an error is fatal (exit value 19).
  virtual void handleFormatError(const char *message) = 0;
  // A command-line error found by the checker: the translated message, or null when the check
  // failed without one.
  virtual void handleCommandLineError(const wchar_t *message) = 0;
  virtual ~CmdargErrHandler() {}
};

} // namespace Port

// One opcode cell. A cell that follows OP_LITERAL holds a pointer to its text, so cells are as
// wide as a pointer (64 bits here); every other cell holds a small value.
typedef std::intptr_t UT_CMDOP;

class PORT_API PORT_DARRAY_UT_CMDOPS : public PORT_DARRAY_TYPED<UT_CMDOP> {
public:
  PORT_DARRAY_UT_CMDOPS() : PORT_DARRAY_TYPED<UT_CMDOP>(32, 1) {}
  // Appends OP_LITERAL and a cell holding a new copy of text (freed by clearops).
  void addstr(const char *text);
  // Appends OP_NUMBER and the value.
  void addnum(int value);
  void addop(int op) {
    append(op);
    m_lastop = op;
  }
  // The last opcode appended (not an operand); 0 when none.
  int lastop() const { return m_lastop; }
  // Frees every OP_LITERAL text and empties the array.
  void clearops();
  int getop(int index) const {
    return index >= 0 && index < m_used ? static_cast<int>(data()[index]) : 0;
  }
  const char *getlit(int index) const {
    return index >= 0 && index < m_used ? reinterpret_cast<const char *>(data()[index]) : nullptr;
  }

private:
  int m_lastop = 0;
};

enum UT_CMDOPVALUE {
  OP_END = 0,
  OP_GROUP = 1,
  OP_ENDGROUP = 2,
  OP_VAR = 3,
  OP_OPTION = 5,
  OP_ENDOPTION = 6,
  OP_OR = 7,
  OP_SWITCH = 8,
  OP_SECRETSW = 9,
  OP_ENDSWITCH = 10,
  OP_KEY = 11,
  OP_ENDKEY = 12,
  OP_BIND = 13,
  OP_SUFFIX = 14,
  OP_REPEAT = 15,
  OP_ENDREPEAT = 16,
  OP_RANGE = 17,
  OP_LITERAL = 18,
  OP_NUMBER = 19,
  OP_USEDNAME = 24, // a switch name used on the command line during a check
  OP_VARSUFFIX = 26,
  OP_SECRETARG = 27
};

// The compiled format. Destroying it frees the literal texts, both offset tables and the name.
struct PORT_API UT_OPCODEINFO {
  UT_OPCODEINFO();
  ~UT_OPCODEINFO();
  UT_OPCODEINFO(const UT_OPCODEINFO &) = delete;
  UT_OPCODEINFO &operator=(const UT_OPCODEINFO &) = delete;
  void clear();

  PORT_DARRAY_UT_CMDOPS argops;
  PORT_DARRAY_UT_CMDOPS swops;
  int16_t numgrps;
  int16_t *arggrpoff;
  int16_t *swgrpoff;
  unsigned char error;
  char *cmdname;
};

class UT_CMDOPCODESIMP;

class PORT_API UT_CMDOPCODES {
public:
  // Compiles fmt; a format error without a handler is fatal (exit value 19).
  explicit UT_CMDOPCODES(const char *fmt);
  // Compiles with handler, which receives a format error instead; it is deleted when the
  // compile ends.
  UT_CMDOPCODES(const char *fmt, std::unique_ptr<Port::CmdargErrHandler> handler);
  ~UT_CMDOPCODES();
  UT_CMDOPCODES(const UT_CMDOPCODES &) = delete;
  UT_CMDOPCODES &operator=(const UT_CMDOPCODES &) = delete;

  bool iserror() const;
  // The usage line, "Usage: cmd ..."; a new text the caller frees with delete[].
  char *usage() const;
  // Status messages listing both opcode arrays and the group offsets.
  void dumpops() const;
  UT_OPCODEINFO &getinfo();
  const UT_OPCODEINFO &getinfo() const;

private:
  UT_CMDOPCODESIMP *m_imp;
};

// True for "-help", "-h" and "-?" in any case.
PORT_API bool is_helpsw(const char *text);
// True for an optional "+" or "-" followed by 1 to 10 decimal digits and nothing else.
PORT_API bool isnumber(const char *text);

class UT_CMDARGINFOIMP;
class UT_CMDSWINFOIMP;

// One argument: of the command or of a switch.
class PORT_API UT_CMDARGINFO {
public:
  UT_CMDARGINFO();
  ~UT_CMDARGINFO();
  UT_CMDARGINFO(const UT_CMDARGINFO &) = delete;
  UT_CMDARGINFO &operator=(const UT_CMDARGINFO &) = delete;

  const char *getargtxt() const;
  // The variable name of the format; null for a keyword.
  const char *getargname() const;
  int getargnum32() const;
  // The value when it lies in -32767..32766; outside that a fatal error (exit value 19).
  short getargnum() const;
  bool isnum() const;
  short getargvindex() const;

  void setargtxt(const char *text); // clears the numeric flag
  void setnumandflag(int value, unsigned char isnum);
  void setargvindex(short index);
  void setname(const char *name);

private:
  UT_CMDARGINFOIMP *m_imp;
};

// One switch as typed, with its arguments.
class PORT_API UT_CMDSWINFO {
public:
  UT_CMDSWINFO();
  ~UT_CMDSWINFO();
  UT_CMDSWINFO(const UT_CMDSWINFO &) = delete;
  UT_CMDSWINFO &operator=(const UT_CMDSWINFO &) = delete;

  const char *getswname() const;
  short getargvindex() const;
  short getnumargs() const;
  bool hasargs() const;
  // Null (or 0) when i is out of range.
  UT_CMDARGINFO *getarg(short i) const;
  UT_CMDARGINFO *getarg(const char *name, short n) const;
  const char *getargtxt(short i) const;
  int getargnum32(short i) const;
  // Fatal (exit value 19) when the value lies outside -32767..32766.
  short getargnum(short i) const;

  void setname(const char *name);
  void setargvindex(short index);
  // Makes room for n arguments (an array of n new objects, none for 0).
  void setnumargs(short n);
  // Takes an array of n arguments made with new[].
  void setargs(UT_CMDARGINFO *args, short n);

private:
  UT_CMDSWINFOIMP *m_imp;
};

// The result of a check.
struct PORT_API UT_ARGINFO {
  UT_ARGINFO();
  virtual ~UT_ARGINFO();
  UT_ARGINFO(const UT_ARGINFO &) = delete;
  UT_ARGINFO &operator=(const UT_ARGINFO &) = delete;
  void clear();

  UT_CMDSWINFO *switches;
  UT_CMDARGINFO *args;
  int16_t numsw;
  int16_t numargs;
  unsigned char error;
  unsigned char usagegiven;
  int16_t argshift;
  int16_t swshift;
};

class UT_CMDCHKIMP;
class UT_CMDARGS;

class PORT_API UT_CMDCHK {
public:
  UT_CMDCHK();
  explicit UT_CMDCHK(unsigned char quiet);
  // name1 and name2 go to the release banner printed before usage or an error.
  UT_CMDCHK(const char *name1, const char *name2);
  explicit UT_CMDCHK(std::unique_ptr<Port::CmdargErrHandler> handler);
  ~UT_CMDCHK();
  UT_CMDCHK(const UT_CMDCHK &) = delete;
  UT_CMDCHK &operator=(const UT_CMDCHK &) = delete;

  // Checks argv (arguments only, no program name) against ops; true on success. Unless quiet,
  // an error is reported as "Command line error: ..." followed by the usage line.
  bool chkargs(int argc, const char *const *argv, UT_CMDOPCODES &ops, UT_ARGINFO &info);
  // The same into a new UT_CMDARGS that the caller deletes.
  UT_CMDARGS *chkargs(int argc, const char *const *argv, UT_CMDOPCODES &ops);

private:
  UT_CMDCHKIMP *m_imp;
};

enum {
  UT_CMDARGS_ARGV_NO_PROGRAM = 1, // argv[0] is an argument, not the program name
  UT_CMDARGS_NO_CMDFILE = 2,      // "-f file" is not expanded
  UT_CMDARGS_NO_INSTALL_PATH = 4  // the installation search path is not set up
};

class UT_CMDARGSIMP;

// A tool's checked command line.
class PORT_API UT_CMDARGS {
public:
  UT_CMDARGS();
  UT_CMDARGS(int argc, const char *const *argv, UT_CMDOPCODES *ops);
  UT_CMDARGS(int argc, const char *const *argv, const char *fmt, void (*help)(),
             unsigned short flags);
  UT_CMDARGS(int argc, const char *const *argv, const char *fmt,
             std::unique_ptr<Port::CmdargErrHandler> handler, void (*help)(), unsigned short flags);
  UT_CMDARGS(const char *name1, const char *name2, int argc, const char *const *argv,
             const char *fmt, void (*help)(), unsigned short flags);
  UT_CMDARGS(int argc, const char *const *argv, const char *name1, const char *name2,
             const char *fmt, void (*topicHelp)(const char *), unsigned short flags);
  ~UT_CMDARGS();
  UT_CMDARGS(const UT_CMDARGS &) = delete;
  UT_CMDARGS &operator=(const UT_CMDARGS &) = delete;

  short getnumargs() const;
  short getnumsw() const;
  // Fatal (exit value 19) when i is out of range.
  UT_CMDARGINFO *getarg(short i) const;
  UT_CMDSWINFO *getsw(short i) const;
  // The n-th (from 0) argument with that variable name, or switch with that name; null if none.
  UT_CMDARGINFO *getarg(const char *name, short n) const;
  UT_CMDSWINFO *getsw(const char *name, short n) const;
  bool findsw(const char *name) const;
  void shift();
  void shiftsw();
  void reset();
  void resetsw();
  bool iserror() const;
  bool gaveusage() const;
  // The command line as received, program name included.
  const char *getorigcmdline() const;
  // Switches, then arguments, quoted where needed: the command-argument file's rules, a double
  // quote doubled and a text with a blank enclosed in quotes (not the Windows argument rules of
  // child processes). A new text the caller frees with delete[].
  char *getcmdline() const;
  void dump() const;
  UT_ARGINFO &getinfo();

private:
  UT_CMDARGSIMP *m_imp;
};

#endif
