// A real interrupt (SIGINT) sent to a process: with the handler started it is only seen at
// the next CheckHalt; without it, or after Stop, it has its default effect.
#include "halt_test_support.h"

namespace {

using halttest::Channel;
using halttest::checkHaltUntil;
using halttest::forkChild;
using halttest::waitChild;

int g_interrupts = 0;
void countInterrupt() { ++g_interrupts; }

struct InterruptCase {
  const char *name;
  bool start, stop;
  int expected; // exit status, or 128 + signal
};

void PrintTo(const InterruptCase &c, std::ostream *os) { *os << c.name; }

class HaltInterrupt : public ::testing::TestWithParam<InterruptCase> {};

TEST_P(HaltInterrupt, InterruptReachesTheNextCheck) {
  const InterruptCase c = GetParam();
  Channel channel;
  const pid_t child = forkChild(channel, [&] {
    g_interrupts = 0;
    Port_Halt::SetHandler(&countInterrupt);
    if (c.start)
      Port_Halt::Start();
    if (c.stop)
      Port_Halt::Stop();
    // Two interrupts in turn: the handler stays installed after the first.
    for (int round = 1; round <= 2; ++round) {
      if (Port_Halt::CheckHalt() != 0 || g_interrupts != round - 1)
        return 10;
      channel.toParent('r');
      if (!checkHaltUntil([round] { return g_interrupts == round; }))
        return 11;
    }
    return 0;
  });
  for (int round = 1; round <= 2; ++round) {
    if (channel.fromChild() != 'r')
      break;
    kill(child, SIGINT);
  }
  EXPECT_EQ(waitChild(child), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    , HaltInterrupt,
    ::testing::Values(InterruptCase{"Started", true, false, 0},
                      InterruptCase{"NeverStarted", false, false, 128 + SIGINT},
                      InterruptCase{"Stopped", true, true, 128 + SIGINT}),
    [](const ::testing::TestParamInfo<InterruptCase> &info) { return info.param.name; });

} // namespace
