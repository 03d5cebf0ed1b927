// clocale.cpp - a thread-local switch to the "C" locale (uselocale).
#include "platform/clocale.h"

#include <locale.h>

namespace platform {

namespace {
locale_t cLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c;
}
} // namespace

CLocaleScope::CLocaleScope() : m_previous(nullptr) {
  if (locale_t c = cLocale())
    m_previous = uselocale(c);
}

CLocaleScope::~CLocaleScope() {
  if (m_previous)
    uselocale(static_cast<locale_t>(m_previous));
}

} // namespace platform
