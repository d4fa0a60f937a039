#include "app/RecordingControl.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>

#include "app/MeasurementFeed.h"
#include "app/StatusStrip.h"
#include "platform/Application.h"

namespace {

const char* const kRecColour = "#ff4040";

// Why the recorder stopped or refused, in the reader's words (the system's reason as it gives it).
QString ProblemText(const TCsvRecorder& recorder) {
  QString text = QCoreApplication::translate("CsvRecorder", recorder.ErrorSentence())
                     .arg(QString::fromStdString(recorder.Path()), QString::fromStdString(TCsvRecorder::HeaderLine()));
  if (const std::string reason = recorder.ErrorReason(); !reason.empty()) text += QStringLiteral(": ") + QString::fromStdString(reason);
  return text;
}

}  // namespace

TRecordingControl::TRecordingControl(QWidget* window, TMeasurementFeed& feed, TStatusStrip& strip, QAction& toggle)
    : QObject(window), FWindow(window), FFeed(feed), FToggle(toggle), FSegment(strip.AddSegment(QStringLiteral("Recording"))) {
  FChooser = [this](const QString& proposed) {
    return QFileDialog::getSaveFileName(FWindow, tr("Record measurements to (an existing file is appended to)"),
                                        proposed, tr("CSV files (*.csv);;All files (*)"), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
  };
  connect(&FToggle, &QAction::triggered, this, &TRecordingControl::Toggle);
  FFeed.AddListener([this](const TMeasurement&) {
    if (FFeed.Recorder().Active()) ShowState();
  });
  FFeed.SetOnRecordingStopped([this](const std::string&) {
    const QString text = ProblemText(FFeed.Recorder());
    ShowState(text);
    QTimer::singleShot(0, this, [text] { Application().ShowMessage(text.toStdString()); });
  });
  ShowState();
}

QString TRecordingControl::ProposedPath() {
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
  return QDir(folder).filePath(QStringLiteral("frontpanel-%1.csv").arg(stamp));
}

void TRecordingControl::Toggle() {
  if (FFeed.Recorder().Active()) {
    Stop();
    return;
  }
  const QString path = FChooser(ProposedPath());
  if (!path.isEmpty()) StartTo(path);
}

bool TRecordingControl::StartTo(const QString& path) {
  if (!FFeed.StartRecording(path.toStdString())) {
    const QString problem = ProblemText(FFeed.Recorder());
    ShowState(problem);
    Application().ShowMessage(problem.toStdString());
    return false;
  }
  ShowState();
  return true;
}

void TRecordingControl::Stop() {
  FFeed.StopRecording();
  ShowState();
}

void TRecordingControl::ShowState(const QString& problem) {
  const TCsvRecorder& recorder = FFeed.Recorder();
  FToggle.setText(recorder.Active() ? tr("Stop recording") : tr("Record…"));
  QString text;
  if (recorder.Active()) {
    const QString name = QFileInfo(QString::fromStdString(recorder.Path())).fileName();
    const qint64 rows = recorder.Rows();
    text = QStringLiteral("<span style=\"color:%1\">%2</span>&nbsp;&nbsp;%3&nbsp;&nbsp;%4")
               .arg(QLatin1String(kRecColour), tr("REC", "the strip's mark of a running recording"), name.toHtmlEscaped(),
                    tr("%n row(s)", "", static_cast<int>(rows)));
    QString tip = QString::fromStdString(recorder.Path());
    if (recorder.NineColumns()) {
      // An older recording: it keeps its layout, and so only trusted measurements.
      text += QStringLiteral("&nbsp;&nbsp;") + tr("(nine columns)");
      tip += QLatin1Char('\n') + tr("Recorded before flags and segments: appended in its nine columns, trusted measurements only");
    }
    FSegment->setToolTip(tip);
  } else if (!problem.isEmpty()) {
    text = QStringLiteral("<span style=\"color:%1\">%2</span>").arg(QLatin1String(kRecColour), problem.toHtmlEscaped());
    FSegment->setToolTip(problem);
  }
  // A refusal is news for a moment; the state it leaves (no recording) shows nothing.
  TStatusStrip::SetSegmentText(FSegment, text, recorder.Active() ? 0 : TStatusStrip::TransientMs);
}
