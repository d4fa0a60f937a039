#include "platform/Application.h"

#include <cstdio>
#include <mutex>

#include "platform/Messages.h"
#include "platform/SysUtils.h"

namespace {
// Never destroyed: a worker may still report an exception while the process exits.
std::mutex& HookLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

void Display(TApplication::TExceptionDisplay display, const std::string& message) {
  if (display) {
    display(message);
  } else {
    std::fprintf(stderr, "%s\n", message.c_str());
  }
}
}  // namespace

void TApplication::SetExceptionDisplay(TExceptionDisplay display) {
  std::lock_guard lock(HookLock());
  FExceptionDisplay = std::move(display);
}

void TApplication::SetDialogFactory(TDialogFactory factory) {
  std::lock_guard lock(HookLock());
  FDialogFactory = std::move(factory);
}

void TApplication::ShowException(const std::exception& e) { ShowMessage(ExceptionMessage(e)); }

void TApplication::ShowMessage(const std::string& message) {
  const auto show = [this, message] {
    TExceptionDisplay display;
    {
      std::lock_guard lock(HookLock());
      display = FExceptionDisplay;
    }
    Display(display, message);
  };
  if (IsMainThread()) {
    show();
    return;
  }
  // A worker never waits on a message box: the text travels to the main thread's queue.
  if (!PostToMainThread(show)) Display(nullptr, message);
}

std::unique_ptr<TModalDialog> TApplication::CreateDialog(const std::string& formClass) {
  TDialogFactory factory;
  {
    std::lock_guard lock(HookLock());
    factory = FDialogFactory;
  }
  return factory ? factory(formClass) : nullptr;
}

TApplication& Application() {
  static auto* application = new TApplication;
  return *application;
}
