#include "app/KeyboardHelp.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/KeyboardMap.h"

namespace {

// A menu entry's words without its accelerator mark and ellipsis.
QString Plain(QString text) { return text.remove(QLatin1Char('&')).remove(QChar(0x2026)).trimmed(); }

}  // namespace

TKeyboardHelp::TKeyboardHelp(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("KeyboardHelp"));
  setWindowTitle(tr("Keyboard"));
  // The window's commands that have a shortcut, as its menu lists them.
  QList<QAction*> commands;
  for (QAction* a : parent->actions())
    if (!a->shortcut().isEmpty()) commands.push_back(a);

  auto* table = new QTableWidget(KeyboardKeyCount + 1 + static_cast<int>(commands.size()), 4, this);
  table->setObjectName(QStringLiteral("KeyTable"));
  table->setHorizontalHeaderLabels({tr("Panel key"), tr("Keyboard"), tr("Code"), tr("Does")});
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  int row = 0;
  const auto add = [&](const QString& panel, const QString& key, const QString& code, const QString& does) {
    const QString cells[] = {panel, key, code, does};
    for (int column = 0; column < 4; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      if (column == 1 || column == 2) item->setTextAlignment(Qt::AlignCenter);
      table->setItem(row, column, item);
    }
    ++row;
  };
  for (const TKeyboardKey& k : KeyboardKeys()) {
    add(QString::fromUtf8(k.Panel), QString::fromLatin1(k.Key), QString::number(k.Code),
        QCoreApplication::translate("KeyboardMap", k.Legend));
  }
  // The window's own commands below a gap.
  table->setSpan(row, 0, 1, 4);
  table->setItem(row++, 0, new QTableWidgetItem(tr("Commands of the window (also in its context menu):")));
  for (QAction* a : commands) add(QString(), a->shortcut().toString(QKeySequence::NativeText), QString(), Plain(a->text()));
  table->resizeColumnsToContents();
  // Every column in full, however long the language's words.
  int columns = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
  for (int column = 0; column < table->columnCount(); ++column) columns += table->columnWidth(column);
  table->horizontalHeader()->setStretchLastSection(true);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table);
  layout->addWidget(buttons);
  // Every row in view where the screen has room for it.
  const int rows = table->horizontalHeader()->height() + table->rowCount() * table->verticalHeader()->defaultSectionSize();
  const int room = screen() != nullptr ? screen()->availableGeometry().height() * 9 / 10 : 560;
  const QMargins margins = layout->contentsMargins();
  resize(qMax(560, columns + margins.left() + margins.right()), qBound(360, rows + 80, room));
}
