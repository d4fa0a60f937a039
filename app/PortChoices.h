// The devices the user chose for Com1 and Com2 (the device chooser), remembered across runs
// with QSettings in the user's configuration folder ($XDG_CONFIG_HOME/frontpanel/ports.ini,
// ~/.config by default).  A --port on the command line wins over what was remembered.
// GUI thread only.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "app/CommandLine.h"

// Maps each remembered port to its device (SetPortDevicePath), except those `commandLine`
// maps itself; then the command line's own mappings.
void ApplyPortChoices(const std::vector<TPortMapping>& commandLine);
// Remembers `path` as the device of port `comNumber` and maps the port to it now; it heads the
// devices chosen before.
void RememberPortChoice(unsigned comNumber, const QString& path);
// The devices chosen before, the latest first (at most ChosenBeforeCount).
constexpr int ChosenBeforeCount = 8;
QStringList ChosenBefore();
// The remembered device of port `comNumber`, or empty.
QString RememberedPortChoice(unsigned comNumber);
