#include "app/DeviceChooser.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

TDeviceChooser::TDeviceChooser(QWidget* parent, unsigned comNumber, const QString& path, std::string root)
    : QDialog(parent),
      FRoot(std::move(root)),
      FCom(new QButtonGroup(this)),
      FList(new QListWidget(this)),
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
  FPath->setObjectName(QStringLiteral("DevicePath"));
  FPath->setPlaceholderText(tr("any device path, e.g. /dev/ttyUSB0, or tcp://host:port, rfc2217://host:port"));
  // A device the user selects fills the field; the current row the list takes by itself on
  // getting the focus does not.
  connect(FList, &QListWidget::itemSelectionChanged, this, [this] {
    const int row = FList->selectedItems().isEmpty() ? -1 : FList->row(FList->selectedItems().front());
    if (row >= 0 && row < static_cast<int>(FDevices.size())) FPath->setText(QString::fromStdString(FDevices[row].Path));
  });
  connect(FList, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
  connect(FPath, &QLineEdit::textChanged, ok, [ok](const QString& text) { ok->setEnabled(!text.trimmed().isEmpty()); });
  ok->setEnabled(!path.trimmed().isEmpty());

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(comRow);
  layout->addWidget(new QLabel(tr("Serial devices of this computer:"), this));
  layout->addWidget(FList);
  auto* pathRow = new QFormLayout;
  pathRow->addRow(tr("Device:"), FPath);
  layout->addLayout(pathRow);
  layout->addWidget(buttons);
  resize(560, 360);

  // Adapters come and go while the dialog is open; rescanning is cheap (a folder listing).
  connect(FRescan, &QTimer::timeout, this, &TDeviceChooser::Rescan);
  FRescan->start(RescanMs);
  Rescan();
}

unsigned TDeviceChooser::ComNumber() const { return static_cast<unsigned>(FCom->checkedId()); }

QString TDeviceChooser::Path() const { return FPath->text().trimmed(); }

void TDeviceChooser::Rescan() {
  std::vector<TSerialDevice> devices = ScanSerialDevices(FRoot);
  if (devices == FDevices) return;
  FDevices = std::move(devices);
  const QString chosen = Path();
  const QSignalBlocker quiet(FList);  // the path field keeps what the user typed
  FList->clear();
  for (const TSerialDevice& d : FDevices) {
    QString text = QString::fromStdString(d.Path);
    if (!d.Description.empty()) text += QStringLiteral("  \u2014  ") + QString::fromStdString(d.Description);
    FList->addItem(text);
    if (QString::fromStdString(d.Path) == chosen) FList->setCurrentRow(FList->count() - 1);
  }
}
