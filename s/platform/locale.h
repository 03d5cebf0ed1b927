// locale.h - the user's default locale (GetUserDefaultLCID, GetLocaleInfoA).
#ifndef PORT_PLATFORM_LOCALE_H
#define PORT_PLATFORM_LOCALE_H

#include <string>

namespace platform {

// GetUserDefaultLCID: from LC_ALL, then LC_MESSAGES, then LANG (the first that is set and not
// empty): "ja..." is Japanese (0x0411), "fr..." French (0x040C), "de..." German (0x0407),
// anything else English (0x0409).
unsigned int GetUserDefaultLCID();

// GetLocaleInfoA(lcid, LOCALE_ILANGUAGE): the language identifier in four hexadecimal digits,
// such as "0409".
std::string GetLocaleLanguage(unsigned int lcid);

} // namespace platform

#endif
