// basutcmdargimp.h - the format compiler's working state and the compiled format's handle body.
#ifndef BASUTCMDARGIMP_H
#define BASUTCMDARGIMP_H

#include "basutcmdarg.h"

#include <memory>

class UT_CMDOPCODESIMP {
public:
  UT_OPCODEINFO info;
};

class UT_CMDCOMPILE {
public:
  UT_CMDCOMPILE();
  bool compilefmtstr(const char *fmt, UT_OPCODEINFO &info,
                     std::unique_ptr<Port::CmdargErrHandler> handler);

  // Longest literal of a format, and longest format (positions are 16-bit).
  enum { MaxLiteral = 121, MaxFormat = 32767, MaxDepth = 64 };

private:
  enum Token {
    TkEnd,
    TkLParen,
    TkRParen,
    TkLess,
    TkGreater,
    TkLBracket,
    TkRBracket,
    TkLBrace,
    TkRBrace,
    TkComma,
    TkColon,
    TkAmp,
    TkBar,
    TkSwitch,
    TkSecretSwitch,
    TkLiteral,
    TkNumber
  };

  void initcompile(const char *fmt, UT_OPCODEINFO &info);
  Token gettoken();
  void pushback() { m_pushed = true; }
  Token cmdtoken();
  Token parseliteral();
  bool chknumber(const char *text);
  // Whether the loop of parseterms goes on after a term.
  enum Step { Continue, Leave };
  void parseterms(PORT_DARRAY_UT_CMDOPS &target);
  Step parseterm(Token token, PORT_DARRAY_UT_CMDOPS &target, int entryDepth);
  Step termend(PORT_DARRAY_UT_CMDOPS &target);
  void opengroup();
  void closegroup();
  void openoption(PORT_DARRAY_UT_CMDOPS &target);
  Step closeoption(PORT_DARRAY_UT_CMDOPS &target, int entryDepth);
  void parsebar();
  void openrepeat(PORT_DARRAY_UT_CMDOPS &target);
  Step closerepeat(PORT_DARRAY_UT_CMDOPS &target);
  void parsekeyword(PORT_DARRAY_UT_CMDOPS &target);
  void parsehidden(PORT_DARRAY_UT_CMDOPS &target);
  void parsevar(PORT_DARRAY_UT_CMDOPS &target);
  void parsesuffixes(PORT_DARRAY_UT_CMDOPS &target);
  bool rangebound();
  void parserange(PORT_DARRAY_UT_CMDOPS &target);
  void parsevarsuffix(PORT_DARRAY_UT_CMDOPS &target);
  void parseswitch(bool repeatable);
  Step parsealiases(bool repeatable);
  void endswitch();
  bool switchnameallowed();
  bool isillegalcharfound();
  void markgrps();
  void comperror(const char *message);
  void appendop(PORT_DARRAY_UT_CMDOPS &target, int op);

  const char *m_fmt;
  int m_len;
  int m_pos;
  Token m_token;
  bool m_pushed;
  char m_literal[MaxLiteral + 1];
  int m_number;
  char m_sign; // sign of the last switch mark, which starts the next literal
  bool m_afterSwitchMark;
  bool m_error;
  int16_t m_ngroups;
  int16_t m_depth;
  bool m_ingroup;
  bool m_inrepeat;
  bool m_inrepsw;
  bool m_inkeys;
  bool m_implicit;
  UT_OPCODEINFO *m_info;
  std::unique_ptr<Port::CmdargErrHandler> m_handler;
};

// Decimal value of a text for which isnumber holds, clamped to the 32-bit range.
int cmdNumberValue(const char *text);

#endif
