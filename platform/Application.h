// The application object's services used by the components: the standard exception
// display and modal dialogs.  Both are hooks, installed by the program (Qt message box,
// real dialogs) or by tests (recorders).  Nothing in the core blocks on a hidden dialog:
// with no hook, exceptions are printed to stderr and dialogs are refused.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>

// Modal results.
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;
constexpr int mrAbort = 3;

class TModalDialog {
 public:
  virtual ~TModalDialog() = default;
  virtual int ShowModal() = 0;
};

class TApplication {
 public:
  using TExceptionDisplay = std::function<void(const std::string& message)>;
  using TDialogFactory = std::function<std::unique_ptr<TModalDialog>(const std::string& formClass)>;

  void SetExceptionDisplay(TExceptionDisplay display);
  void SetDialogFactory(TDialogFactory factory);

  // The standard exception display: shows the exception's message.  On the main thread
  // the display runs at once; from another thread the message is carried to the main
  // thread's queue and shown when it is pumped.  Default display: "<message>" on stderr.
  void ShowException(const std::exception& e);
  void ShowMessage(const std::string& message);

  // Creates the dialog of the given form class (for example "TComSelectForm"), or returns
  // none when no factory is installed or it does not know the class.  Main thread only.
  std::unique_ptr<TModalDialog> CreateDialog(const std::string& formClass);

 private:
  TExceptionDisplay FExceptionDisplay;
  TDialogFactory FDialogFactory;
};

TApplication& Application();
