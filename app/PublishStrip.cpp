#include "app/PublishStrip.h"

#include <QLabel>
#include <QTimer>

#include "app/PanelPublishing.h"
#include "app/StatusStrip.h"

namespace {

const char* const kConnectedColour = "#40d040";
const char* const kRetryingColour = "#ffb000";
const char* const kDroppedColour = "#ff4040";

QString Coloured(const char* colour, const QString& text) {
  return QStringLiteral("<span style=\"color:%1\">%2</span>").arg(QLatin1String(colour), text.toHtmlEscaped());
}

}  // namespace

TPublishStrip::TPublishStrip(QObject* window, TStatusStrip& strip, const TPanelPublishing& publishing)
    : QObject(window), FPublishing(publishing), FSegment(strip.AddSegment(QStringLiteral("Publishing"))),
      FTimer(new QTimer(this)) {
  FTimer->setInterval(500);
  connect(FTimer, &QTimer::timeout, this, &TPublishStrip::Refresh);
  FTimer->start();
  Refresh();
}

void TPublishStrip::Refresh() {
  const TMqttStats s = FPublishing.Publisher().Stats();
  QString text;
  if (s.Connected) {
    text = Coloured(kConnectedColour, tr("MQTT"));
  } else if (!s.Problem.empty()) {
    text = Coloured(kRetryingColour, tr("MQTT retrying"));
  } else {
    text = tr("MQTT\u2026");
  }
  if (s.Dropped > 0) text += QStringLiteral("&nbsp;&nbsp;") + Coloured(kDroppedColour, tr("%n dropped", "", static_cast<int>(s.Dropped)));
  QString tip = tr("Publishing to %1 on %2 and %3\nsent %4, dropped %5, waiting %6")
                    .arg(QString::fromStdString(BrokerName(FPublishing.Publisher().Config())),
                         QString::fromStdString(FPublishing.Publisher().ReadingTopic()),
                         QString::fromStdString(FPublishing.Publisher().StatusTopic()))
                    .arg(s.Sent)
                    .arg(s.Dropped)
                    .arg(static_cast<qulonglong>(s.Queued));
  if (!s.Connected && !s.Problem.empty()) tip += QLatin1Char('\n') + QString::fromStdString(s.Problem);
  FSegment->setToolTip(tip);
  TStatusStrip::SetSegmentText(FSegment, text);
}
