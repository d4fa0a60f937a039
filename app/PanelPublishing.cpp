#include "app/PanelPublishing.h"

#include "app/MeasurementFeed.h"
#include "measure/CsvRow.h"
#include "port/SioPort.h"
#include "publish/ReadingJson.h"

namespace {

const char* PortStatus(bool open) { return open ? "online" : "closed"; }

}  // namespace

TPanelPublishing::TPanelPublishing(const TMqttConfig& config) : FPublisher(config) {}

void TPanelPublishing::Attach(TMeasurementFeed& feed, TSioComPort& port) {
  FFeed = &feed;
  FStartNs = NowTimestamp().MonotonicNs;
  feed.AddListener([this](const TMeasurement& m) {
    // One message per measurement, as a recording has one row per measurement.
    if (!m.Distinct) return;
    const TCsvRecorder& recorder = FFeed->Recorder();
    FPublisher.Post(ReadingJson(RowValues(m, recorder.Active() ? recorder.StartNs() : FStartNs)));
  });
  SetLinkState(PortStatus(port.PortState() == psOpen));
  port.AddPortListener(this, [this](TComponent*, bool opened) { SetLinkState(PortStatus(opened)); });
  // The port has closed itself (told as "closed" above) when it says the line is lost.
  port.SetOnLineLost([this, owner = port.OnLineLost()](TComponent* sender, int error) {
    SetLinkState("lost");
    if (owner) owner(sender, error);
  });
}

std::vector<std::string> TPanelPublishing::News() {
  const TMqttStats s = FPublisher.Stats();
  std::string failure, connection;
  if (s.Failures > FToldFailures && s.Problem != FToldProblem) {
    FToldProblem = s.Problem;
    failure = s.Problem + "; trying again";
  }
  if (s.Connections > FToldConnections) {
    FToldProblem.clear();  // the same reason is worth saying again after a connection
    FToldDropping = false;
    connection = "connected to " + BrokerName(FPublisher.Config()) + ", publishing to " + FPublisher.ReadingTopic();
  }
  FToldFailures = s.Failures;
  FToldConnections = s.Connections;
  // Both since the last look: the one that holds now came last.
  if (!s.Connected) std::swap(failure, connection);
  std::vector<std::string> news;
  for (const std::string* line : {&failure, &connection})
    if (!line->empty()) news.push_back(*line);
  if (s.Dropped > 0 && !FToldDropping) {
    FToldDropping = true;
    news.push_back("readings are being dropped (" + std::to_string(s.Dropped) + " so far)");
  }
  return news;
}

std::string TPanelPublishing::Totals() const {
  const TMqttStats s = FPublisher.Stats();
  return std::to_string(s.Sent) + (s.Sent == 1 ? " reading" : " readings") + " published, " +
         std::to_string(s.Dropped) + " dropped";
}

TMqttConfig MqttConfigOf(const TProgramOptions& options) {
  TMqttConfig config;
  config.Host = options.MqttHost;
  config.Port = options.MqttPort;
  config.Topic = options.MqttTopic;
  return config;
}

std::unique_ptr<TPanelPublishing> MakePanelPublishing(const TProgramOptions& options) {
  if (options.MqttHost.empty()) return nullptr;
  return std::make_unique<TPanelPublishing>(MqttConfigOf(options));
}
