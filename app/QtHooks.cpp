#include "app/QtHooks.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

#include <atomic>
#include <functional>
#include <string>

#include "platform/Application.h"
#include "platform/Messages.h"
#include "port/SioSelComForm.h"

namespace {

// Set while a pump is scheduled and has not started; any thread may set it, only the GUI
// thread clears it (at the start of the pump, so a message queued during the pump schedules
// another one).
std::atomic<bool> PumpScheduled{false};

void PumpMainQueue() {
  PumpScheduled.store(false);
  TMsg msg;
  while (PeekMessage(msg, true)) {
    if (msg.Message == WM_QUIT) {
      QApplication::exit(static_cast<int>(msg.WParam));
      return;
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
}

void SchedulePump() {
  if (PumpScheduled.exchange(true)) return;
  QMetaObject::invokeMethod(qApp, &PumpMainQueue, Qt::QueuedConnection);
}

std::function<QString(const std::string&)> Wording;
bool Starting = true;
std::string LastShown;

// The panel window's title as designed (it is not translated): the box belongs to it.
QString PanelTitle() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QStringLiteral("Form1")) return w->windowTitle();
  return QApplication::applicationName();
}

void ShowExceptionBox(const std::string& message) {
  if (Starting && message == LastShown) return;
  LastShown = message;
  QMessageBox box(QMessageBox::Critical, PanelTitle(),
                  Wording ? Wording(message) : QString::fromStdString(message), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace

void SetExceptionWording(std::function<QString(const std::string&)> wording) { Wording = std::move(wording); }

void EndStartup() { Starting = false; }

void InstallQtHooks() {
  SetMainQueueWakeHook(&SchedulePump);
  Application().SetExceptionDisplay(&ShowExceptionBox);
  RegisterComSelectDialog();
  // Messages queued before the hook existed still need a pump.
  SchedulePump();
}
