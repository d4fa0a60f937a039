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

QString ShownUnit(const std::string& unit) {
  const QString written = QString::fromStdString(unit);
  const QString whole = QCoreApplication::translate("Units", unit.c_str());
  if (whole != written || written.size() < 2) return whole;
  // A prefixed unit ("ms", "\u00B5s", "MHz") in the reader's prefix and unit, when the
  // unit without its one-character prefix is a word the translations know.
  const QString prefix = written.left(1), rest = written.mid(1);
  const QString shownRest = QCoreApplication::translate("Units", rest.toUtf8().constData());
  if (shownRest == rest) return written;
  return QCoreApplication::translate("Units", prefix.toUtf8().constData()) + shownRest;
}

QString ShownFigure(const std::string& text) {
  const std::size_t space = text.find(' ');
  const std::string number = text.substr(0, space);
  if (!IsNumber(number)) return QString::fromStdString(text);
  QString shown = QString::fromStdString(number).replace(QLatin1Char('.'), QLocale().decimalPoint());
  if (space != std::string::npos) shown += QLatin1Char(' ') + ShownUnit(text.substr(space + 1));
  return shown;
}
