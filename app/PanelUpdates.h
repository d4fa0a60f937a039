// What the decoder asked the window to show, held until the window shows it.
//
// A window that repainted a label for every byte could not keep up with a fast line: at 9600
// baud and beyond, and above all on garbage, where nearly every byte is a status byte for
// LaReady.  The window's sink records the decoder's updates here while it takes the bytes one
// delivery made available, and then shows each element's final state once.  Nothing the
// decoder shows is lost: every element ends as the decoder last set it; only the states an
// element passed through within one delivery are never drawn.
//
// Plain logic, on the window's thread like the decoder.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <string>

#include "app/LinkDecoder.h"

class TPanelUpdates final : public TPanelSink {
 public:
  void SetLabelText(TPanelLabel label, const std::string& text) override;
  void SetRsOnVisible(bool visible) override;
  void SetKeyLit(int key, bool lit) override;
  void SetLedOn(int led, bool on) override;

  // Hands each element updated since the last call its last state, once, and forgets them.
  void ShowOn(TPanelSink& panel);
  bool Pending() const { return FLabelSet.any() || FRsOnSet || FKeySet.any() || FLedSet.any(); }

 private:
  static constexpr std::size_t kLabels = plRezult + 1;
  std::array<std::string, kLabels> FLabel;
  std::bitset<kLabels> FLabelSet;
  bool FRsOn = false;
  bool FRsOnSet = false;
  std::bitset<FrameKeys + 1> FKey, FKeySet;  // [n] is Pa<n>
  std::bitset<FrameLeds + 1> FLed, FLedSet;  // [n] is ALed<n>
};
