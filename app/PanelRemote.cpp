#include "app/PanelRemote.h"

#include <chrono>
#include <cmath>
#include <stdexcept>

#include "app/HeadlessLogger.h"
#include "app/MeasurementFeed.h"
#include "platform/Messages.h"
#include "port/SioPort.h"

namespace {

// The maker is this program's; the model is the instrument's as its panel shows it (ЧЭС-712),
// spelt in Latin letters because IEEE 488.2 replies are 7-bit ASCII.
constexpr const char* kMaker = "FRONTPANEL";
constexpr const char* kModel = "CHES-712";

}  // namespace

TPanelRemote::TPanelRemote(const std::string& version)
    : FServer(*this, {kMaker, kModel, version}, [](std::function<void()> call) { PostToMainThread(std::move(call)); }) {}

void TPanelRemote::Attach(TMeasurementFeed& feed, TSioComPort& port, TPanelControls controls) {
  FFeed = &feed;
  FPort = &port;
  FControls = std::move(controls);
  feed.KeepPoints(true);
  if (port.PortState() == psOpen) FHealth.Opened(Now());
  // Every frame: the link's health counts frames, the server picks the measurements.
  feed.AddListener([this](const TMeasurement& m) {
    FHealth.BytesReceived(Now());
    FHealth.FrameDecoded(Now());
    FServer.Reading(m);
  });
  port.AddPortListener(this, [this](TComponent*, bool opened) {
    if (!opened) return;
    FHealth.Opened(Now());
    FLost = false;
  });
  // The port has closed itself when it says the line is lost; it is lost until it opens again.
  port.SetOnLineLost([this, owner = port.OnLineLost()](TComponent* sender, int error) {
    FLost = true;
    FServer.LinkLost();
    if (owner) owner(sender, error);
  });
}

void TPanelRemote::PressKey(int code) {
  if (!FControls.PressKey) throw std::runtime_error("the panel is not ready");
  FControls.PressKey(code);
}

bool TPanelRemote::KeyLit(int key) const { return FControls.KeyLit && FControls.KeyLit(key); }

bool TPanelRemote::KeyPending() const { return FControls.KeyPending && FControls.KeyPending(); }

std::string TPanelRemote::ReadingText() const { return FControls.ReadingText ? FControls.ReadingText() : std::string(); }

TRemoteLink TPanelRemote::Link() const {
  if (FPort == nullptr) return rlClosed;
  if (FPort->PortState() == psOpen) return FHealth.Stale(Now()) ? rlNoData : rlConnected;
  return FLost ? rlLost : rlClosed;
}

TRemoteStatistics TPanelRemote::Statistics() const {
  TRemoteStatistics s;
  if (FFeed == nullptr) return s;
  const TRunningMoments& m = FFeed->Summary().Moments();
  s.Count = m.Count();
  if (s.Count > 0) {
    s.Mean = m.Mean();
    s.Min = m.Min();
    s.Max = m.Max();
  }
  if (s.Count > 1) s.StdDev = m.StdDev();
  // The overlapping Allan deviation at the basic interval (m = 1) of the current segment's
  // fractional values alone (the summary's takes every segment measured alike):
  // sqrt(sum (v[i+1] - v[i])^2 / (2 (N - 1))) / mean.  O(N), a few milliseconds for a million
  // points.
  const TSeriesView view = FFeed->Summary().Store()->View();
  const std::size_t first = FFeed->Summary().SegmentFirst();
  if (view.Size() >= first + 3 && m.Mean() != 0) {
    double sum = 0;
    for (std::size_t i = first + 1; i < view.Size(); ++i) {
      const double d = view.Value(i) - view.Value(i - 1);
      sum += d * d;
    }
    s.Adev = std::sqrt(sum / (2.0 * static_cast<double>(view.Size() - first - 1))) / std::fabs(m.Mean());
  }
  return s;
}

void TPanelRemote::ResetStatistics() {
  if (FFeed != nullptr) FFeed->ResetSeries();
}

TPanelControls HeadlessControls(THeadlessLogger& logger) {
  return {[&logger](int code) { logger.PressKey(code); }, [&logger](int key) { return logger.KeyLit(key); },
          [&logger] { return logger.KeyPending(); }, [&logger] { return logger.ReadingText(); }};
}

std::unique_ptr<TPanelRemote> MakePanelRemote(const TProgramOptions& options, const char* version, std::FILE* log,
                                              bool& failed) {
  failed = false;
  if (options.Scpi.empty()) return nullptr;
  auto remote = std::make_unique<TPanelRemote>(version);
  std::string error;
  if (!remote->Listen(options.Scpi, error)) {
    std::fprintf(log, "frontpanel: scpi: %s\n", error.c_str());
    failed = true;
    return nullptr;
  }
  std::fprintf(log, "frontpanel: scpi: listening on %s\n", remote->Address().c_str());
  std::fflush(log);
  return remote;
}
