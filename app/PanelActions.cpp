#include "app/PanelActions.h"

#include <QAction>
#include <QMenu>
#include <QShortcut>
#include <QWidget>

#include "app/KeyboardMap.h"

TPanelActions::TPanelActions(QWidget* window) : QObject(window), FWindow(window), FMenu(new QMenu(window)) {
  FMenu->setObjectName(QStringLiteral("PanelMenu"));
  FRecord = new QAction(tr("Record…"), this);
  FRecord->setObjectName(QStringLiteral("ActionRecord"));
  FRecord->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  FCopyReading = new QAction(tr("Copy reading"), this);
  FCopyReading->setObjectName(QStringLiteral("ActionCopyReading"));
  FCopyReading->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  FChoosePort = new QAction(tr("Port…"), this);
  FChoosePort->setObjectName(QStringLiteral("ActionChoosePort"));
  FChoosePort->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  FReconnect = new QAction(tr("Reconnect now"), this);
  FReconnect->setObjectName(QStringLiteral("ActionReconnect"));
  FKeyboard = new QAction(tr("Keyboard…"), this);
  FKeyboard->setObjectName(QStringLiteral("ActionKeyboard"));
  FAbout = new QAction(tr("About…"), this);
  FAbout->setObjectName(QStringLiteral("ActionAbout"));
  for (QAction* a : {FRecord, FCopyReading, FChoosePort, FReconnect, FKeyboard, FAbout}) AddMenuAction(a);

  for (const TKeyboardKey& k : KeyboardKeys()) {
    auto* shortcut = new QShortcut(QKeySequence(QString::fromLatin1(k.Key)), window);
    const int code = k.Code;
    connect(shortcut, &QShortcut::activated, this, [this, code] { emit KeyPressed(code); });
  }
}

void TPanelActions::AddMenuAction(QAction* action) {
  action->setShortcutContext(Qt::WindowShortcut);
  FWindow->addAction(action);
  FMenu->addAction(action);
}
