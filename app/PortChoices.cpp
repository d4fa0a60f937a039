#include "app/PortChoices.h"

#include <QSettings>

#include "dispatch/SioPortName.h"

namespace {

QSettings Store() { return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("frontpanel"), QStringLiteral("ports")); }

QString Key(unsigned comNumber) { return QStringLiteral("ports/com%1").arg(comNumber); }

}  // namespace

void ApplyPortChoices(const std::vector<TPortMapping>& commandLine) {
  QSettings store = Store();
  store.beginGroup(QStringLiteral("ports"));
  for (const QString& key : store.childKeys()) {
    bool ok = false;
    const unsigned n = key.mid(3).toUInt(&ok);  // "com<n>"
    const QString path = store.value(key).toString();
    if (key.startsWith(QStringLiteral("com")) && ok && n >= 1 && n <= 255 && !path.isEmpty())
      SetPortDevicePath(n, path.toStdString());
  }
  for (const TPortMapping& p : commandLine) SetPortDevicePath(p.Number, p.Path);
}

void RememberPortChoice(unsigned comNumber, const QString& path) {
  QSettings store = Store();
  store.setValue(Key(comNumber), path);
  QStringList before = ChosenBefore();
  before.removeAll(path);
  before.prepend(path);
  store.setValue(QStringLiteral("history/chosen"), before.mid(0, ChosenBeforeCount));
  SetPortDevicePath(comNumber, path.toStdString());
}

QStringList ChosenBefore() { return Store().value(QStringLiteral("history/chosen")).toStringList(); }

QString RememberedPortChoice(unsigned comNumber) { return Store().value(Key(comNumber)).toString(); }
