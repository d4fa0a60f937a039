#include "app/ReadingLook.h"

#include <QLabel>
#include <QTimer>

#include "app/LinkHealth.h"
#include "app/MeasurementFeed.h"
#include "app/StatusStrip.h"
#include "port/SioPort.h"

namespace {

constexpr int kTickMs = 250;
const QColor kLiveColour = Qt::red;           // the designed look
const QColor kDimColour = QColor(0x80, 0, 0);  // the same text, not a live measurement
const char* const kNoticeColour = "#ffc030";

}  // namespace

TReadingLook::TReadingLook(QObject* parent, QLabel& reading, TMeasurementFeed& feed, const TSioCustomComPort& port,
                           TStatusStrip& strip)
    : QObject(parent), FReading(reading), FFeed(feed), FPort(port), FSegment(strip.AddSegment(QStringLiteral("ReadingState"))),
      FTimer(new QTimer(this)) {
  FFeed.AddListener([this](const TMeasurement&) { Refresh(); });
  connect(FTimer, &QTimer::timeout, this, &TReadingLook::Refresh);
  FTimer->start(kTickMs);
  Refresh();
}

void TReadingLook::Refresh() {
  const TMeasurementStream& stream = FFeed.Stream();
  const auto& last = stream.Last();
  bool live = FPort.PortState() == psOpen && last && stream.Live();
  if (live) {
    // Until two frames came, the link's own first guess of the frame period.
    const std::int64_t periodMs = stream.FramePeriodNs() > 0 ? stream.FramePeriodNs() / 1'000'000 : TLinkHealth::DefaultPeriodMs;
    live = NowTimestamp().MonotonicNs - last->Time.MonotonicNs <= SilenceLimitMs(periodMs) * 1'000'000;
  }
  if (live != FLive) {
    FLive = live;
    QPalette pal = FReading.palette();
    pal.setColor(QPalette::WindowText, live ? kLiveColour : kDimColour);
    FReading.setPalette(pal);
  }
  QString notice;
  if (last && (last->Flags & rfHeld) != 0) {
    notice = tr("held");
  } else if (const auto& m = stream.LastMeasurement();
             m && (m->Flags & rfOverflow) != 0 && m->Segment == stream.Segment() && !stream.Live()) {
    // Until a measurement fits again or a key begins another segment.
    notice = tr("overflow: choose a shorter averaging time");
  }
  TStatusStrip::SetSegmentText(
      FSegment, notice.isEmpty() ? QString() : QStringLiteral("<span style=\"color:%1\">%2</span>").arg(QLatin1String(kNoticeColour), notice.toHtmlEscaped()));
}
