// The port selection dialog as the port sees it.  The port asks the application for a
// dialog of the form class "TComSelectForm" (Application().CreateDialog); with none
// installed no port can be chosen.  Main thread only.
#pragma once

#include "platform/Application.h"

class TComSelectDialog : public TModalDialog {
 public:
  // The port number the operator chose; valid after ShowModal returned mrOk.  May raise
  // EConvertError when the chosen entry is not a number.
  virtual int ChosenPortNumber() = 0;
};
