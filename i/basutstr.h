// basutstr.h - UT_STR, static operations on zero-terminated texts, and the free functions that
// the message system uses on message texts.
//
// Texts returned as char* or wchar_t* are new arrays that the caller frees with delete[]. The L
// forms are the W forms (wchar_t is the wide character here). Character classes are those of
// the "C" locale: the library never changes the process locale and does not depend on it.
//
// Formatting understands six sized-integer conversions of its own besides the standard ones:
//   %I  signed 32-bit      %hI signed 16-bit      %lI signed 64-bit
//   %U  unsigned 32-bit    %hU unsigned 16-bit    %lU unsigned 64-bit
// and the length prefixes "I64" and "I32". "%S"/"%ls" take a wide string and "%C"/"%lc" a wide
// character; both are written in UTF-8. "l" is 64 bits, as is "%p" (16 upper-case hex digits).
//
// Threads: the operations keep no state between calls except Tokenize's position, which is per
// thread; any thread may call them on texts no other thread writes meanwhile. Error returns the
// runtime's strerror text, which is not to be freed.
#ifndef BASUTSTR_H
#define BASUTSTR_H

#include "Port_Export.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>

class PORT_API UT_STR {
public:
  // Length: bytes, wide characters, or (MbLen) characters of a UTF-8 text.
  static size_t Len(const char *s);
  static size_t WLen(const wchar_t *s);
  static size_t LLen(const wchar_t *s) { return WLen(s); }
  static size_t MbLen(const char *s);

  static char *Copy(char *dest, const char *src);
  static char *NCopy(char *dest, const char *src, size_t n);
  static char *Cat(char *dest, const char *src);
  static char *NCat(char *dest, const char *src, size_t n);
  static wchar_t *WCopy(wchar_t *dest, const wchar_t *src);
  static wchar_t *WNCopy(wchar_t *dest, const wchar_t *src, size_t n);
  static wchar_t *WCat(wchar_t *dest, const wchar_t *src);
  static wchar_t *WNCat(wchar_t *dest, const wchar_t *src, size_t n);
  static wchar_t *LCopy(wchar_t *dest, const wchar_t *src) { return WCopy(dest, src); }
  static wchar_t *LNCopy(wchar_t *dest, const wchar_t *src, size_t n) {
    return WNCopy(dest, src, n);
  }
  static wchar_t *LCat(wchar_t *dest, const wchar_t *src) { return WCat(dest, src); }
  static wchar_t *LNCat(wchar_t *dest, const wchar_t *src, size_t n) { return WNCat(dest, src, n); }
  // Appends s1 ... s8 in order; the first null pointer ends the list.
  static char *MultiCat(char *dest, const char *s1, const char *s2 = nullptr,
                        const char *s3 = nullptr, const char *s4 = nullptr,
                        const char *s5 = nullptr, const char *s6 = nullptr,
                        const char *s7 = nullptr, const char *s8 = nullptr);

  static int Compare(const char *a, const char *b);
  static int NCompare(const char *a, const char *b, size_t n);
  static int WCompare(const wchar_t *a, const wchar_t *b);
  static int WNCompare(const wchar_t *a, const wchar_t *b, size_t n);
  static int LCompare(const wchar_t *a, const wchar_t *b) { return WCompare(a, b); }
  static int LNCompare(const wchar_t *a, const wchar_t *b, size_t n) { return WNCompare(a, b, n); }
  // Case-blind: the difference of the first differing pair after ToUpper.
  static int ICompare(const char *a, const char *b);
  static int INCompare(const char *a, const char *b, size_t n);
  static int WICompare(const wchar_t *a, const wchar_t *b);
  static int WINCompare(const wchar_t *a, const wchar_t *b, size_t n);
  static int LICompare(const wchar_t *a, const wchar_t *b) { return WICompare(a, b); }
  static int LINCompare(const wchar_t *a, const wchar_t *b, size_t n) {
    return WINCompare(a, b, n);
  }

  static char *FindChar(const char *s, int c);
  static char *RFindChar(const char *s, int c);
  static char *FindCharFromSet(const char *s, const char *set);
  static char *FindString(const char *s, const char *sub);
  static size_t SpanLength(const char *s, const char *set);
  static size_t CSpanLength(const char *s, const char *set);
  static wchar_t *WFindChar(const wchar_t *s, wchar_t c);
  static wchar_t *WRFindChar(const wchar_t *s, wchar_t c);
  static wchar_t *WFindCharFromSet(const wchar_t *s, const wchar_t *set);
  static wchar_t *WFindString(const wchar_t *s, const wchar_t *sub);
  static size_t WSpanLength(const wchar_t *s, const wchar_t *set);
  static size_t WCSpanLength(const wchar_t *s, const wchar_t *set);
  static wchar_t *LFindChar(const wchar_t *s, wchar_t c) { return WFindChar(s, c); }
  static wchar_t *LRFindChar(const wchar_t *s, wchar_t c) { return WRFindChar(s, c); }
  static wchar_t *LFindCharFromSet(const wchar_t *s, const wchar_t *set) {
    return WFindCharFromSet(s, set);
  }
  static wchar_t *LFindString(const wchar_t *s, const wchar_t *sub) { return WFindString(s, sub); }
  static size_t LSpanLength(const wchar_t *s, const wchar_t *set) { return WSpanLength(s, set); }
  static size_t LCSpanLength(const wchar_t *s, const wchar_t *set) { return WCSpanLength(s, set); }

  static bool ContainsChar(const char *s, int c);
  static bool WContainsChar(const wchar_t *s, wchar_t c);
  static bool LContainsChar(const wchar_t *s, wchar_t c) { return WContainsChar(s, c); }

  // True when no character lies in '!' to '~' (an empty text is blank).
  static bool AllBlank(const char *s);
  static bool WAllBlank(const wchar_t *s);
  static bool LAllBlank(const wchar_t *s) { return WAllBlank(s); }

  // In place (ASCII letters only); return the argument.
  static char *Upper(char *s);
  static char *Lower(char *s);
  static wchar_t *WUpper(wchar_t *s);
  static wchar_t *WLower(wchar_t *s);
  static wchar_t *LUpper(wchar_t *s) { return WUpper(s); }
  static wchar_t *LLower(wchar_t *s) { return WLower(s); }

  // Character classes of the "C" locale; values outside 0 to 127 belong to none.
  static bool IsAlnum(int c);
  static bool IsAlpha(int c);
  static bool IsCntrl(int c);
  static bool IsDigit(int c);
  static bool IsGraph(int c);
  static bool IsLower(int c);
  static bool IsPrint(int c);
  static bool IsPunct(int c);
  static bool IsSpace(int c);
  static bool IsUpper(int c);
  static bool IsXDigit(int c);
  static bool IsAscii(int c);
  static int ToLower(int c);
  static int ToUpper(int c);

  // New copies; null for null.
  static char *Dup(const char *s);
  static wchar_t *WDup(const wchar_t *s);
  static wchar_t *LDup(const wchar_t *s) { return WDup(s); }
  // Delete n texts (null entries allowed) and the array itself.
  static void DelStrings(char **strs, int n);
  static void WDelStrings(wchar_t **strs, int n);
  static void LDelStrings(wchar_t **strs, int n) { WDelStrings(strs, n); }

  // strtok with a separate position for each thread.
  static char *Tokenize(char *s, const char *delims);
  static int Collate(const char *a, const char *b);
  static size_t Transform(char *dest, const char *src, size_t n);
  static char *Error(int errnum);

  // Decimal, white space first, optional sign, stop at the first non-digit; out-of-range values
  // are clamped to the type.
  static int AToI(const char *s);
  static int32_t AToINT32(const char *s);
  static long AToL(const char *s);
  static long long AToINT64(const char *s);
  static double AToF(const char *s);

  // Conversions between UTF-8 (or single-byte) text and wide text. Text results are new arrays
  // (null for null).
  static wchar_t *StrToWstr(const char *s);
  static wchar_t *StrToLstr(const char *s) { return StrToWstr(s); }
  static wchar_t *MbstrToWstr(const char *s);
  static wchar_t *MbstrToLstr(const char *s) { return MbstrToWstr(s); }
  static char *WstrToMbstr(const wchar_t *s);
  static char *LstrToMbstr(const wchar_t *s) { return WstrToMbstr(s); }
  static wchar_t CharToWchar(char c);
  static wchar_t CharToLchar(char c) { return CharToWchar(c); }
  // UTF-8 form of c into out (room for 4 bytes); returns the number of bytes.
  static int WcharToMbchar(char *out, wchar_t c);
  // The first character of at most n bytes of s; returns the bytes used, 0 for an empty text.
  static int MbcharToWchar(wchar_t *out, const char *s, size_t n);

  static char *ReplaceChar(char *s, char from, char to);
  static wchar_t *WReplaceChar(wchar_t *s, wchar_t from, wchar_t to);
  static wchar_t *LReplaceChar(wchar_t *s, wchar_t from, wchar_t to) {
    return WReplaceChar(s, from, to);
  }
  static char *SwapChars(char *s, char a, char b);
  static wchar_t *WSwapChars(wchar_t *s, wchar_t a, wchar_t b);
  static wchar_t *LSwapChars(wchar_t *s, wchar_t a, wchar_t b) { return WSwapChars(s, a, b); }
  static char *Reverse(char *s);
  static wchar_t *WReverse(wchar_t *s);
  static wchar_t *LReverse(wchar_t *s) { return WReverse(s); }

  // Formatting. The unbounded forms return the number of bytes written (-1 for a format that
  // cannot be formatted). The bounded forms write all or nothing: the text and its terminating
  // zero are written only when the text is shorter than size; the length of the text is
  // returned in both cases (-1 when it cannot be formatted, and then nothing is written).
  static int Printf(const char *fmt, ...);
  static int SPrintf(char *buf, const char *fmt, ...);
  static int VSPrintf(char *buf, const char *fmt, va_list args);
  static int SNPrintf(char *buf, size_t size, const char *fmt, ...);
  static int VSNPrintf(char *buf, size_t size, const char *fmt, va_list args);
  // The exact length VSPrintf would produce (-1 when it cannot be formatted).
  static int VCountCharacters(const char *fmt, va_list args);
  // Reading, conversion by conversion; returns the number of fields assigned, or -1 when the
  // input ends before the first conversion.
  static int SScanf(const char *s, const char *fmt, ...);
  static int VSScanf(const char *s, const char *fmt, va_list args);

  // Number reading with a base (0, or 2 to 36; others mean 10). Values out of range are clamped
  // to the type, all digits being consumed. end (may be null) receives the first character not
  // used, or s when there is no digit.
  static int32_t StrToINT32(const char *s, char **end, int base);
  static uint32_t StrToUINT32(const char *s, char **end, int base);
  static long long StrToINT64(const char *s, char **end, int base);
  static unsigned long long StrToUINT64(const char *s, char **end, int base);
  static long StrToL(const char *s, char **end, int base);
  static unsigned long StrToUL(const char *s, char **end, int base);
  static double StrToD(const char *s, char **end);
  // Strict decimal reading: only white space may follow the number. The output is written only
  // on success.
  static bool StrToINT32(const char *s, int *value);
  static bool StrToINT64(const char *s, long long *value);
  static bool StrToL(const char *s, long &value);
  static bool StrToD(const char *s, double &value);

  // In place; each returns its argument (null for null).
  static char *Trim(char *s);
  static char *Pad(char *s, int n);
  static char *CleanString(char *s);
  static wchar_t *WCleanString(wchar_t *s);
  static wchar_t *LCleanString(wchar_t *s) { return WCleanString(s); }

  // Cut the first token off src (the rest moves to the front of src). The result is the
  // delimiter that ended the token, 1 when the text ended a non-empty token, 0 for nothing.
  static int GetToken(char *src, char *token, const char *delims);
  static int Parse(char *src, char *token, const char *delims);
  static int WParse(wchar_t *src, wchar_t *token, const wchar_t *delims);
  static int LParse(wchar_t *src, wchar_t *token, const wchar_t *delims) {
    return WParse(src, token, delims);
  }

  // Lines of at most width characters; lines after the first start with indent blanks. Returns
  // a new array of count new lines (free with DelStrings / WDelStrings).
  static char **BreakString(const char *text, int width, int *count, int indent);
  static char **BreakString(const char *text, short width, short *count, short indent);
  static char **BreakString(const char *text, int width, int *count) {
    return BreakString(text, width, count, 0);
  }
  static wchar_t **WBreakString(const wchar_t *text, int width, int *count, int indent);
  static wchar_t **LBreakString(const wchar_t *text, int width, int *count, int indent) {
    return WBreakString(text, width, count, indent);
  }

  // Reversible scrambling of printable text, in place.
  static char *Encode(char *s);
  static char *Decode(char *s);

  // Wildcards: '*' any run, '?' any one character. SimpleMatch lets a backslash escape '\\',
  // '?' or '*'.
  static bool Match(const char *text, const char *pattern);
  static bool IMatch(const char *text, const char *pattern);
  static bool SimpleMatch(const char *text, const char *pattern);
  static bool WMatch(const wchar_t *text, const wchar_t *pattern);
  static bool WIMatch(const wchar_t *text, const wchar_t *pattern);
  static bool LMatch(const wchar_t *text, const wchar_t *pattern) { return WMatch(text, pattern); }
  static bool LIMatch(const wchar_t *text, const wchar_t *pattern) {
    return WIMatch(text, pattern);
  }

  // Decimal text into buf (room for 12 bytes); returns buf.
  static char *IToA(int32_t value, char *buf);
  static char *UIToA(uint32_t value, char *buf);

  // Standard reflected CRC-32 (polynomial 0xEDB88320); 0 for a length of 0.
  static uint32_t CRC32(const void *data, size_t length);
};

// Message-text functions.

// Skips white space, stopping at a line feed.
PORT_API wchar_t *skip_space(const wchar_t *s);
// The part after the last '/' and then after the last backslash; "Unknown" for null.
PORT_API const char *strip_path(const char *path);
// True for a printf conversion letter of a message alias: d i o p u x X f e E g G c s n % z.
PORT_API bool is_fmt(wchar_t c);
// Takes the field between the first two separators when it begins with a percent sign: returns
// it as a new text and removes it, with its two separators, from text. Null (text unchanged)
// when there is no such field.
PORT_API wchar_t *get_str_by_sep(wchar_t *text, wchar_t sep);
// A placeholder's text as a new array: "%%" gives "%", "%n" gives "n", "%<digits>" the name of
// that 1-based number (null beyond count). Any other field is copied unchanged.
PORT_API wchar_t *replace_var(const wchar_t *field, wchar_t *const *names, int count);
// Replaces each character that is neither printable nor white space by a blank, in place, when
// LANGUAGE is unset or "usenglish". Returns text.
PORT_API wchar_t *clean_str(wchar_t *text);
// The number of percent signs in fmt less one (never below 0).
PORT_API int num_varargs(const wchar_t *fmt);
// A new copy in which every line feed not preceded by a carriage return gets one.
PORT_API wchar_t *add_cr(const wchar_t *text);
// A new text with the occurrences of from replaced by to, left to right, without rescanning.
PORT_API wchar_t *ut_strsubst(const wchar_t *text, const wchar_t *from, const wchar_t *to);
PORT_API char *ut_strsubst(const char *text, const char *from, const char *to);
PORT_API int count_char(const char *s, char c);
PORT_API int count_wchar(const wchar_t *s, wchar_t c);
// Non-overlapping occurrences; 0 when either text is null or sub is empty.
PORT_API int count_str(const wchar_t *s, const wchar_t *sub);
PORT_API int count_str(const char *s, const char *sub);
// Replace each character that is neither printable nor white space by a blank, in place.
// Bytes from 0x80 up (UTF-8 sequences) and wide characters beyond ASCII that are not control
// characters count as printable.
PORT_API char *cleanchars(char *s);
PORT_API wchar_t *cleanwchars(wchar_t *s);

#endif
