// Recording from the window: Ctrl+R (or the context menu) starts a recording into a file the
// user chooses and stops it again; the strip shows "REC", the file name and the rows written,
// or why a recording stopped by itself.
//
// The file is chosen with the standard file dialog, which proposes a name with the date and
// time in the user's documents folder; an existing file is appended to (its header must be the
// recorder's, or the nine-column one of earlier recordings, which keeps its layout and gets
// trusted measurements only; the strip then says "(nine columns)").  A failure to start is shown by the application's message display at once; a
// write failure ends the recording inside the decoder's call, so its message is shown once that
// call has returned (never a modal box inside a trigger event).  GUI thread only.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QLabel;
class QWidget;
class TMeasurementFeed;
class TStatusStrip;

class TRecordingControl : public QObject {
  Q_OBJECT

 public:
  // Chooses the file to record to, given the proposed path; empty: cancelled.
  using TFileChooser = std::function<QString(const QString& proposed)>;

  TRecordingControl(QWidget* window, TMeasurementFeed& feed, TStatusStrip& strip, QAction& toggle);

  // Starts a recording (asking for the file) or stops the running one.
  void Toggle();
  // Starts recording to `path`; false after showing why it cannot.
  bool StartTo(const QString& path);
  void Stop();

  // The file dialog by default; tests choose without a dialog.
  void SetFileChooser(TFileChooser chooser) { FChooser = std::move(chooser); }
  // frontpanel-YYYY-MM-DD_HH-mm-ss.csv in the documents folder (the home folder without one).
  static QString ProposedPath();
  QLabel* Segment() const { return FSegment; }

 private:
  void ShowState(const QString& problem = QString());

  QWidget* FWindow;
  TMeasurementFeed& FFeed;
  QAction& FToggle;
  QLabel* FSegment;
  TFileChooser FChooser;
};
