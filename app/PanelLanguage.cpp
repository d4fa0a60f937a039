#include "app/PanelLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>

namespace {

const char* const kOurs = "PanelLanguage";

bool Install(QCoreApplication& app, const QString& name, const QString& folder) {
  auto* translator = new QTranslator(&app);
  translator->setObjectName(QLatin1String(kOurs));
  if (!translator->load(name, folder)) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

bool IsNumber(const std::string& text) {
  if (text.empty()) return false;
  bool digit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != '.' && c != '-' && c != '+' && c != 'e' && c != 'E') {
      return false;
    }
  }
  return digit;
}

}  // namespace

bool UseLanguage(QCoreApplication& app, TLanguage language) {
  std::setlocale(LC_NUMERIC, "C");
  for (QTranslator* before : app.findChildren<QTranslator*>(QLatin1String(kOurs), Qt::FindDirectChildrenOnly)) {
    QCoreApplication::removeTranslator(before);
    delete before;
  }
  QLocale locale = language == lnRussian ? QLocale(QLocale::Russian, QLocale::Russia)
                                         : QLocale(QLocale::English, QLocale::UnitedStates);
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  QLocale::setDefault(locale);
  const QString code = QString::fromLatin1(LanguageCode(language));
  // Qt's own texts are English as written; a system without them shows them so.
  if (language != lnEnglish) Install(app, QStringLiteral("qtbase_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  return Install(app, QStringLiteral("frontpanel_") + code, QStringLiteral(":/i18n"));
}

QString ShownFigure(const std::string& text) {
  QString shown = QString::fromStdString(text);
  if (IsNumber(text)) shown.replace(QLatin1Char('.'), QLocale().decimalPoint());
  return shown;
}
