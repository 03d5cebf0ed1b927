// porttool_watch.cpp - "porttool watch FILE...": reports every change in size or attributes of
// the files until Ctrl+C.
#include "Port_FAM.h"
#include "Port_Halt.h"
#include "Port_MsgManData.h"

#include <boost/make_shared.hpp>

#include <chrono>
#include <thread>

namespace {
const char *const kRev = "$Revision: 1.1 $";

Port_MsgManData *report(int line) {
  return Port_MsgManData::createObject("porttool", __FILE__, line, kRev);
}

// Called on the monitor's thread.
class PrintChange : public Port::FileCallback {
public:
  void FileChanged(const Port::StringBase<char> &name) override {
    report(__LINE__)->issueStatus("\"%s\" changed.\n", name.GetBuffer());
  }
};

// Ctrl+C only marks the process; the main thread asks ten times a second.
void onInterrupt() { Port_Halt::SetHaltValue(2); }
} // namespace

// argv[0] is "watch"; the files follow. The exit value is 2 after Ctrl+C, 1 when nothing can
// be watched.
int watchMain(int argc, char **argv) {
  Port::FAM fam;
  int watched = 0;
  for (int i = 1; i < argc; ++i) {
    try {
      if (fam.MonitorFile(argv[i], Port::File::WatchSize | Port::File::WatchAttributes)) {
        ++watched;
        continue;
      }
      report(__LINE__)->issueError("Cannot watch \"%s\": it is watched already.\n", argv[i]);
    } catch (const Port::FAMException &e) {
      e.report(); // a file that does not exist
    }
  }
  if (watched == 0)
    return 1;
  fam.SetFileCallback(boost::make_shared<PrintChange>());
  try {
    fam.StartMonitor();
  } catch (const Port::FAMException &e) {
    e.report();
    return 1;
  }
  Port_Halt::SetHandler(&onInterrupt);
  Port_Halt::Start();
  report(__LINE__)->issueStatus("Watching %d file(s); Ctrl+C stops.\n", watched);
  while (!Port_Halt::CheckForHaltCmd())
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  fam.ExitMonitor();
  report(__LINE__)->issueStatus("Stopped watching.\n");
  return 2;
}
