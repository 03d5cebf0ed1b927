// msgvisit.h - a thread's stay inside the message system's process-wide state. The state is
// freed at the end of the process only when no other thread is inside it (see
// Port_MsgDispatcher.cpp).
#ifndef PORT_MSG_MSGVISIT_H
#define PORT_MSG_MSGVISIT_H

namespace msgvisit {

// Counts the calling thread as inside for its lifetime; true while the dispatcher is open
// (between initialize and finalize, and not closed by the end of the process). The state may
// be used only while a visit that tested true lasts.
class Visit {
public:
  Visit();
  ~Visit();
  Visit(const Visit &) = delete;
  Visit &operator=(const Visit &) = delete;
  explicit operator bool() const { return m_open; }

private:
  bool m_open;
};

} // namespace msgvisit

#endif
