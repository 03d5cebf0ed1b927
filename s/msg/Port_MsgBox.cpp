// Port_MsgBox.cpp - fatal and early error texts for windowed programs and for the console.
#include "Port_MsgMan.h"

#include "Port_Env.h"
#include "platform/msgbox.h"

#include <atomic>
#include <cstdio>

namespace {
// The modules whose presence makes a process a windowed program: the old MFC runtimes and the
// suite's graphical user-interface library.
const char *const kWindowedModules[] = {"MFC71.DLL", "MFC71D.DLL", "libQuelmoGui.so", nullptr};
} // namespace

bool Port::UseMsgBox() {
  // -1 undecided; the decision is the same from any thread, so racing deciders are harmless.
  static std::atomic<int> decision{-1};
  int d = decision.load(std::memory_order_relaxed);
  if (d < 0) {
    if (Port_Env::GetEnv("QEL_NOMSGBOX") || Port_Env::GetEnv("ORVEK_BUILD"))
      d = 0;
    else
      d = platform::IsModuleLoaded(kWindowedModules) ? 1 : 0;
    decision.store(d, std::memory_order_relaxed);
  }
  return d == 1;
}

void Port::PrintError(const char *text) {
  if (!text)
    return;
  if (UseMsgBox()) {
    platform::MessageBoxA("Quelmo", text);
    return;
  }
  std::fputs(text, stderr);
  std::fflush(stderr);
}
