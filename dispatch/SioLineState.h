// The life of a dispatcher's line, one stage at a time, with every allowed move written in
// one place (TLineState::Allowed):
//
//   Closed            -> Open            the workers start (OpenLine; once per dispatcher)
//   Open              -> Lost            the device failed for good (a worker saw it)
//   Open, Lost        -> Closing         the owner began a close (BeginClose): its own
//                                        listeners are told while the workers still run
//   Open, Lost,       -> Halting         the workers are told to stop (CloseLine)
//     Closing
//   Open, Lost,       -> CloseRequested  the close came during a delivery: the dispatch
//     Closing, Halting                   worker releases the line once it has returned
//   any but Released  -> Released        the rings and signals are freed
//
// Open and Lost are the line in use: the workers run (in Lost the event worker has ended and
// WriteBlock refuses).  Closing is still in use for the workers, but no longer for the
// owner.  CloseRequested, Halting and Released all tell the workers to stop, and no new
// delivery starts.  A close asked for during a delivery stays CloseRequested until the
// dispatch worker has released the line, so its owner knows to wait for that; Halting lasts
// while the closing thread waits for the workers (and runs its messages meanwhile).
//
// This is the one record of a line's life: the port reads its own state off it
// (TSioCustomComPort::PortState) instead of keeping one beside it.
//
// The stage is moved under MainLock where the move decides something else with it (a
// deferred close, no delivery after a stop), and read by any thread without it.
#pragma once

#include <atomic>
#include <cstdint>

enum TLineStage : std::uint8_t { lsClosed, lsOpen, lsLost, lsClosing, lsCloseRequested, lsHalting, lsReleased };

class TLineState {
 public:
  TLineStage Stage() const { return FStage.load(); }
  // Moves to `to` when the move is allowed from the present stage; false (and no change)
  // otherwise.  A move is one compare-and-swap, so a worker may make one without MainLock
  // (Lost, from under OutputLock) and still never undo a stop.
  bool MoveTo(TLineStage to) {
    TLineStage from = FStage.load();
    do {
      if (!Allowed(from, to)) return false;
    } while (!FStage.compare_exchange_weak(from, to));
    return true;
  }
  // The workers are told to stop (the old stop flag); no new delivery starts.
  bool StopAsked() const {
    const TLineStage s = Stage();
    return s == lsCloseRequested || s == lsHalting || s == lsReleased;
  }

  static constexpr bool Allowed(TLineStage from, TLineStage to) {
    switch (to) {
      case lsOpen: return from == lsClosed;
      case lsLost: return from == lsOpen;
      case lsClosing: return from == lsOpen || from == lsLost;
      case lsCloseRequested: return from == lsOpen || from == lsLost || from == lsClosing || from == lsHalting;
      case lsHalting: return from == lsOpen || from == lsLost || from == lsClosing;
      case lsReleased: return from != lsReleased;
      default: return false;
    }
  }

 private:
  std::atomic<TLineStage> FStage{lsClosed};
};
