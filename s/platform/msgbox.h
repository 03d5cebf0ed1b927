// msgbox.h - message boxes (MessageBoxA, GetModuleHandleA) for windowed programs.
#ifndef PORT_PLATFORM_MSGBOX_H
#define PORT_PLATFORM_MSGBOX_H

namespace platform {

// GetModuleHandleA for each name: whether the process has loaded a module whose file name
// (case-insensitively, without its directory) begins with one of the names. The list ends
// with a null pointer.
bool IsModuleLoaded(const char *const *names);

// MessageBoxA(NULL, text, title, MB_OK | MB_ICONERROR): Linux has no message box, so the title
// and the text are written to standard error instead, as "title: text" and a newline.
void MessageBoxA(const char *title, const char *text);

} // namespace platform

#endif
