#include "app/PanelUpdates.h"

void TPanelUpdates::SetLabelText(TPanelLabel label, const std::string& text) {
  FLabel[label] = text;
  FLabelSet.set(label);
}

void TPanelUpdates::SetRsOnVisible(bool visible) {
  FRsOn = visible;
  FRsOnSet = true;
}

void TPanelUpdates::SetKeyLit(int key, bool lit) {
  FKey.set(static_cast<std::size_t>(key), lit);
  FKeySet.set(static_cast<std::size_t>(key));
}

void TPanelUpdates::SetLedOn(int led, bool on) {
  FLed.set(static_cast<std::size_t>(led), on);
  FLedSet.set(static_cast<std::size_t>(led));
}

void TPanelUpdates::ShowOn(TPanelSink& panel) {
  for (std::size_t l = 0; l < kLabels; ++l)
    if (FLabelSet[l]) panel.SetLabelText(static_cast<TPanelLabel>(l), FLabel[l]);
  if (FRsOnSet) panel.SetRsOnVisible(FRsOn);
  for (int key = 1; key <= FrameKeys; ++key)
    if (FKeySet[static_cast<std::size_t>(key)]) panel.SetKeyLit(key, FKey[static_cast<std::size_t>(key)]);
  // The decoder's order of the LEDs.
  for (int led : {4, 1, 2, 3})
    if (FLedSet[static_cast<std::size_t>(led)]) panel.SetLedOn(led, FLed[static_cast<std::size_t>(led)]);
  FLabelSet.reset();
  FRsOnSet = false;
  FKeySet.reset();
  FLedSet.reset();
}
