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
    const TCsvRecorder& recorder = FFeed->Recorder();
    FPublisher.Post(ReadingJson(RowValues(m, recorder.Active() ? recorder.StartNs() : FStartNs)));
  });
  SetLinkState(PortStatus(port.PortState() == psOpen));
  port.AddPortListener(this, [this](TComponent*, bool opened) { SetLinkState(PortStatus(opened)); });
}

std::vector<std::string> TPanelPublishing::News() {
  const TMqttStats s = FPublisher.Stats();
  std::vector<std::string> news;
  if (s.Connections > FToldConnections) {
    FToldConnections = s.Connections;
    FToldProblem.clear();
    FToldDropping = false;
    news.push_back("connected to " + BrokerName(FPublisher.Config()) + ", publishing to " + FPublisher.ReadingTopic());
  }
  if (!s.Connected && !s.Problem.empty() && s.Problem != FToldProblem) {
    FToldProblem = s.Problem;
    news.push_back(s.Problem + "; trying again");
  }
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
