// Port_RegexpImp.h - compiled form of a Port_Regexp.
//
// Code format (256 unsigned 16-bit codes, ended by 0x8000):
//   0 .. 255   that character
//   0x8024     '$': end of the searched part (only as the last element)
//   0x805E     '^': start of the searched part (only as the first element)
//   0x802E     '.': any character but a line feed
//   0x805B     class, followed by 16 codes holding a 256-bit set (bit n%16 of code n/16)
//   0x802A, 0x802B, 0x803F   '*', '+', '?', written before the element they repeat
#ifndef PORT_REGEXPIMP_H
#define PORT_REGEXPIMP_H

#include "Port_StringBase.h"

#include <cstdint>

class Port_RegexpImp {
public:
  enum : uint16_t {
    PatternSize = 256,
    CodeEnd = 0x8000,
    CodeEndAnchor = 0x8024,
    CodeStartAnchor = 0x805E,
    CodeAny = 0x802E,
    CodeClass = 0x805B,
    CodeStar = 0x802A,
    CodePlus = 0x802B,
    CodeOptional = 0x803F
  };

  explicit Port_RegexpImp(const char *pattern);
  Port_RegexpImp(const Port_RegexpImp &other);
  Port_RegexpImp &operator=(const Port_RegexpImp &other);
  ~Port_RegexpImp();

  void Compile(const char *pattern);
  int32_t GetStatus() const { return m_status; }
  const uint16_t *GetCodes() const { return m_pattern; }

  template <class T> Port_Range Search(const T *text, uint32_t first, uint32_t end) const;

private:
  // Where a match can begin, worked out when compiling: the positions a search may skip.
  struct StartPlan {
    enum Kind : uint8_t {
      Every, // any position may begin a match
      Byte,  // only the character byte
      Set    // only a character of set (bit n%16 of word n/16)
    };
    Kind kind = Every;
    // The first element is a closure of at least one: after a failure at a position, the rest
    // of that element's run fails too.
    bool run = false;
    uint8_t byte = 0;
    uint16_t set[16] = {0};
    // The longest match of a pattern anchored at its end and free of '*' and '+'; -1 otherwise.
    int32_t longest = -1;
  };
  void Plan();
  template <class T> bool Starts(T ch) const;
  template <class T> uint32_t NextStart(const T *text, uint32_t pos, uint32_t end) const;

  uint16_t *m_pattern;
  int32_t m_status;
  StartPlan m_plan;
};

#endif
