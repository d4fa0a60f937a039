#include "remote/ScpiServer.h"

struct TScpiServer::TShared {
  TShared(TRemotePanel& panel, TScpiIdentity identity, TScpiMailbox& mailbox, TPostToOwner post,
          std::function<void()> wakeNetwork)
      : Post(std::move(post)),
        Instrument(panel, std::move(identity), mailbox, [this] { Schedule(); }, std::move(wakeNetwork)) {}

  // Any thread.  The flag is cleared on the owner thread right before the run, so a request
  // made during a run queues another.
  void Schedule() {
    if (Scheduled.exchange(true)) return;
    Post([weak = Self] {
      if (const std::shared_ptr<TShared> self = weak.lock()) {
        self->Scheduled.store(false);
        self->Instrument.Drain();
      }
    });
  }

  const TPostToOwner Post;
  std::weak_ptr<TShared> Self;
  std::atomic<bool> Scheduled{false};
  TScpiInstrument Instrument;
};

TScpiServer::TScpiServer(TRemotePanel& panel, TScpiIdentity identity, TPostToOwner post)
    : FShared(std::make_shared<TShared>(panel, std::move(identity), FMailbox, std::move(post),
                                        [this] { FNetwork.Wake(); })),
      FNetwork(FMailbox, [weak = std::weak_ptr<TShared>(FShared)] {
        if (const std::shared_ptr<TShared> shared = weak.lock()) shared->Schedule();
      }) {
  FShared->Self = FShared;
}

TScpiServer::~TScpiServer() { Stop(); }

bool TScpiServer::Listen(const std::string& where, std::string& error) {
  if (!FNetwork.Listen(where, error)) return false;
  FNetwork.Start();
  return true;
}

// One per completed gate: the frames that show it again are not measurements.  A held,
// overflowed or bad one has no value to give.
void TScpiServer::Reading(const TMeasurement& m) {
  if (FShared && m.NewMeasurement) FShared->Instrument.Reading(Trusted(m) ? m.SiValue : std::nullopt);
}

void TScpiServer::LinkLost() {
  if (FShared) FShared->Instrument.LinkLost();
}

void TScpiServer::Stop() {
  if (!FShared) return;
  // A last run: replies of waits that have just ended (a lost line that also ends the program)
  // still go out.
  FShared->Instrument.Drain();
  FShared->Instrument.Stop();
  FNetwork.Stop(StopFlushMs);
  FShared.reset();
}
