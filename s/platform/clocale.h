// clocale.h - the "C" locale for the calling thread, so that number formatting and reading
// (decimal point, digit classes) do not follow whatever locale the host process has set.
// Windows keeps the same promise through the _l forms of its runtime (_snprintf_l, _strtod_l
// with a "C" locale object).
#ifndef PORT_PLATFORM_CLOCALE_H
#define PORT_PLATFORM_CLOCALE_H

namespace platform {

// While alive, the calling thread uses the "C" locale; the previous locale of the thread is
// restored on destruction.
class CLocaleScope {
public:
  CLocaleScope();
  ~CLocaleScope();
  CLocaleScope(const CLocaleScope &) = delete;
  CLocaleScope &operator=(const CLocaleScope &) = delete;

private:
  void *m_previous;
};

} // namespace platform

#endif
