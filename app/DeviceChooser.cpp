#include "app/DeviceChooser.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QHeaderView>
#include <QTreeWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/DeviceUse.h"
#include "app/LinkStatusControl.h"

TDeviceChooser::TDeviceChooser(QWidget* parent, unsigned comNumber, const QString& path, std::vector<TKnown> known,
                               std::string root)
    : QDialog(parent),
      FRoot(std::move(root)),
      FKnown(std::move(known)),
      FCom(new QButtonGroup(this)),
      FList(new QTreeWidget(this)),
      FPath(new QLineEdit(path, this)),
      FRescan(new QTimer(this)) {
  setObjectName(QStringLiteral("DeviceChooser"));
  setWindowTitle(tr("Port"));

  auto* comRow = new QHBoxLayout;
  comRow->addWidget(new QLabel(tr("Device for"), this));
  for (unsigned n : {1u, 2u}) {
    auto* button = new QRadioButton(QStringLiteral("Com%1").arg(n), this);
    button->setObjectName(QStringLiteral("ChooseCom%1").arg(n));
    button->setChecked(n == comNumber);
    FCom->addButton(button, static_cast<int>(n));
    comRow->addWidget(button);
  }
  comRow->addStretch(1);

  FList->setObjectName(QStringLiteral("DeviceList"));
  FList->setRootIsDecorated(false);
  FList->setHeaderLabels({tr("Device"), tr("What it is"), tr("Now")});
  FList->header()->setStretchLastSection(true);
  FPath->setObjectName(QStringLiteral("DevicePath"));
  FPath->setPlaceholderText(tr("any device path, e.g. /dev/ttyUSB0, or tcp://host:port, rfc2217://host:port"));
  // A device the user selects fills the field; the current row the list takes by itself on
  // getting the focus does not.
  connect(FList, &QTreeWidget::itemSelectionChanged, this, [this] {
    const int row = FList->selectedItems().isEmpty() ? -1 : FList->indexOfTopLevelItem(FList->selectedItems().front());
    if (row >= 0 && row < static_cast<int>(FRows.size())) FPath->setText(FRows[static_cast<std::size_t>(row)].Path);
  });
  connect(FList, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  connect(FPath, &QLineEdit::textChanged, ok, [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
  ok->setEnabled(!path.trimmed().isEmpty());

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(comRow);
  layout->addWidget(new QLabel(tr("Devices (what Com1 and Com2 stand for, those chosen before, those of this "
                                  "computer) and whether they may be used now:"),
                               this));
  layout->addWidget(FList);
  auto* pathRow = new QFormLayout;
  pathRow->addRow(tr("Device:"), FPath);
  layout->addLayout(pathRow);
  layout->addWidget(buttons);
  resize(820, 400);

  // Adapters come and go while the dialog is open; rescanning is cheap (a folder listing).
  connect(FRescan, &QTimer::timeout, this, &TDeviceChooser::Rescan);
  FRescan->start(RescanMs);
  Rescan();
  // A path can be typed at once; the list is a click (or Tab) away.
  FPath->setFocus();
}

unsigned TDeviceChooser::ComNumber() const { return static_cast<unsigned>(FCom->checkedId()); }

QString TDeviceChooser::Path() const { return FPath->text().trimmed(); }

void TDeviceChooser::Rescan() {
  // The known devices first, then the machine's own; each path once.
  std::vector<QString> labels;
  std::vector<std::string> paths;
  std::vector<std::string> descriptions;
  const auto add = [&](const QString& label, const std::string& path, const std::string& description) {
    for (const std::string& p : paths)
      if (p == path) return;
    labels.push_back(label);
    paths.push_back(path);
    descriptions.push_back(description);
  };
  for (const TKnown& k : FKnown)
    if (!k.Path.isEmpty()) add(k.Label, k.Path.toStdString(), {});
  const TWords words = TLinkStatusControl::Words();
  for (const TSerialDevice& d : ScanSerialDevices(FRoot, words)) add(QString(), d.Path, d.Description);

  std::vector<TRow> rows;
  const std::vector<TDeviceUse> statuses = LookAtDevices(paths);
  for (std::size_t i = 0; i < statuses.size(); ++i) {
    const TDeviceUse& s = statuses[i];
    QString device = QString::fromStdString(s.Path);
    if (!s.Target.empty()) device += QStringLiteral(" \u2192 ") + QString::fromStdString(s.Target);
    QString what = labels[i].isEmpty() ? QString() : labels[i];
    if (!descriptions[i].empty()) what += (what.isEmpty() ? QString() : QStringLiteral(", ")) + QString::fromStdString(descriptions[i]);
    rows.push_back({QString::fromStdString(s.Path),
                    {device, what, QString::fromStdString(DeviceUseText(s, words))},
                    s.Use == duFree || s.Use == duOurs || s.Use == duNetwork});
  }
  if (rows == FRows) return;
  FRows = std::move(rows);
  const QString chosen = Path();
  const QSignalBlocker quiet(FList);  // the path field keeps what the user typed
  FList->clear();
  for (const TRow& r : FRows) {
    auto* item = new QTreeWidgetItem(FList, r.Cells);
    item->setToolTip(0, r.Cells.join(QStringLiteral("\n")));
    // What cannot be used now is greyed, but may still be chosen (it may be free by the time
    // the port opens).
    if (!r.Usable)
      for (int column = 0; column < 3; ++column) item->setForeground(column, palette().color(QPalette::Disabled, QPalette::Text));
    if (r.Path == chosen) FList->setCurrentItem(item);
  }
  FList->resizeColumnToContents(0);
  FList->resizeColumnToContents(1);
}
