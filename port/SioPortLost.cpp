// A port whose device failed for good: the dispatcher's LineLostMsg closes it and raises
// OnLineLost, once, on the port's thread.
#include <exception>

#include "port/SioPort.h"

void TSioCustomComPort::LineLost(int systemError) {
  // A port that is closing or closed already, or that has opened again since, is not told:
  // ComWindowProc has checked that the message comes from the port's current dispatcher.
  if (PortState() != psOpen) return;
  // Closed first, exactly as the application would close it (a running trace or log is
  // written out, the listeners are told), so the event may open the port again at once.
  const TPortIdentity self = Identity();
  std::exception_ptr failure;
  try {
    ClosePort();
  } catch (...) {
    failure = std::current_exception();
  }
  // A close deferred during a delivery runs one message, and a further handler of that
  // delivery may have destroyed the port there: nobody is left to tell.
  if (!IsLivePort(self)) return;
  FireLineLost(-systemError);
  // A failure of the close (a trace that could not be written) is shown after the event; the
  // port is not touched again, as the event may have destroyed it.
  if (failure) std::rethrow_exception(failure);
}

void TSioCustomComPort::FireLineLost(int Error) {
  if (FOnLineLost) FOnLineLost(this, Error);
}
