#include "app/QtHooks.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>

#include <atomic>

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

void ShowExceptionBox(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationName(),
                  QString::fromStdString(message), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.exec();
}

}  // namespace

void InstallQtHooks() {
  SetMainQueueWakeHook(&SchedulePump);
  Application().SetExceptionDisplay(&ShowExceptionBox);
  RegisterComSelectDialog();
  // Messages queued before the hook existed still need a pump.
  SchedulePump();
}
