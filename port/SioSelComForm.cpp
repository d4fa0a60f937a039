#include "port/SioSelComForm.h"

#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>

#include "platform/SysUtils.h"
#include "port/SioProbe.h"
#include "ui_SioSelCom.h"

namespace {

constexpr unsigned kHighestListedPort = 50;
constexpr int kItemHeight = 13;
constexpr int kMaxNumberLength = 255;

class TFixedHeightDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kItemHeight};
  }
};

// The labels' design widths fit their texts in the form's original face; a stand-in face
// may be wider.  Both labels take the largest common pixel size at which each text fits its
// width, so neither is cut off.
void FitLabels(std::initializer_list<QLabel*> labels) {
  QFont font = (*labels.begin())->font();
  for (int size = QFontInfo(font).pixelSize(); size > 6; --size) {
    font.setPixelSize(size);
    const QFontMetrics metrics(font);
    bool fits = true;
    for (const QLabel* label : labels) fits = fits && metrics.horizontalAdvance(label->text()) <= label->width();
    if (fits) break;
  }
  for (QLabel* label : labels) label->setFont(font);
}

}  // namespace

TComSelectForm::TComSelectForm(QWidget* parent, TPortProbe probe)
    : QDialog(parent), ui(std::make_unique<Ui::TComSelectForm>()), FProbe(std::move(probe)) {
  ui->setupUi(this);
  Label1 = ui->Label1;
  Label2 = ui->Label2;
  OkBtn = ui->OkBtn;
  AbortBtn = ui->AbortBtn;
  Bevel1 = ui->Bevel1;
  PortsComboBox = ui->PortsComboBox;
  if (!FProbe) FProbe = ProbePort;

  // A dialog frame with the system menu only: no minimise, maximise or help buttons, and
  // the client area keeps its size.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFixedSize(size());
  // Button-face background, black text.
  QPalette colours = palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Button));
  colours.setColor(QPalette::WindowText, Qt::black);
  colours.setColor(QPalette::ButtonText, Qt::black);
  setPalette(colours);
  PortsComboBox->setItemDelegate(new TFixedHeightDelegate(PortsComboBox));
  FitLabels({Label1, Label2});

  connect(OkBtn, &QPushButton::clicked, this, [this] { done(mrOk); });
  connect(AbortBtn, &QPushButton::clicked, this, [this] { done(mrAbort); });

  FormCreate();
}

TComSelectForm::~TComSelectForm() = default;

void TComSelectForm::FormCreate() {
  try {
    for (unsigned n = 1; n <= kHighestListedPort; ++n) {
      if (FProbe(n)) PortsComboBox->addItem(QStringLiteral("COM%1").arg(n));
    }
  } catch (const std::exception& e) {
    // The dialog still comes up with the ports found so far, but the error ended the
    // creation before an entry was chosen.
    PortsComboBox->setCurrentIndex(-1);
    Application().ShowException(e);
    return;
  }
  PortsComboBox->setCurrentIndex(0);
}

int TComSelectForm::ShowModal() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  return exec();
}

int TComSelectForm::ChosenPortNumber() {
  const QString number = PortsComboBox->currentText().mid(3, kMaxNumberLength);
  return StrToInt(number.toStdString());
}

void TComSelectForm::reject() { done(mrCancel); }

void TComSelectForm::keyPressEvent(QKeyEvent* event) {
  // No button of this dialog answers Escape.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->ignore();
    return;
  }
  QDialog::keyPressEvent(event);
}

void RegisterComSelectDialog() {
  Application().SetDialogFactory([](const std::string& formClass) -> std::unique_ptr<TModalDialog> {
    if (formClass != "TComSelectForm") return nullptr;
    return std::make_unique<TComSelectForm>();
  });
}
