#include "app/KeyboardHelp.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/KeyboardMap.h"

TKeyboardHelp::TKeyboardHelp(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("KeyboardHelp"));
  setWindowTitle(tr("Keyboard"));
  auto* table = new QTableWidget(KeyboardKeyCount + 3, 3, this);
  table->setObjectName(QStringLiteral("KeyTable"));
  table->setHorizontalHeaderLabels({tr("Key"), tr("Panel key"), tr("Does")});
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  int row = 0;
  const auto add = [&](const QString& key, const QString& panelKey, const QString& does) {
    table->setItem(row, 0, new QTableWidgetItem(key));
    table->setItem(row, 1, new QTableWidgetItem(panelKey));
    table->setItem(row, 2, new QTableWidgetItem(does));
    ++row;
  };
  for (const TKeyboardKey& k : KeyboardKeys()) {
    add(QString::fromLatin1(k.Key), k.Code <= 27 ? QStringLiteral("Pa%1").arg(k.Code) : tr("F or T, double click"),
        QString::fromUtf8(k.Legend));
  }
  add(QStringLiteral("Ctrl+R"), QString(), tr("Start or stop recording measurements to a CSV file"));
  add(QStringLiteral("Ctrl+C"), QString(), tr("Copy the reading with its unit"));
  add(QStringLiteral("Ctrl+P"), QString(), tr("Choose the serial device of Com1 or Com2"));
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table);
  layout->addWidget(buttons);
  resize(520, 560);
}
