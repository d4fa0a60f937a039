#include "app/WindowControls.h"

#include <QLabel>

#include "app/KeyPanel.h"
#include "app/Unit1.h"
#include "ui_Unit1.h"

TPanelControls WindowControls(TForm1& form) {
  return {[&form](int code) { code == KeyCodeTestMode ? form.Pa19DblClick() : form.PaClick(code); },
          [&form](int key) { return form.Pa(key)->Lit(); },
          [&form] { return form.Link().CommandPending != 0; },
          [&form] { return form.Controls().LaRezult->text().toStdString(); }};
}
