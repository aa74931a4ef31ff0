#include "dialogs/aboutdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/modeless.h"

namespace clipvex {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("about_form");
  setWindowTitle("About Clipvex");
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel("Clipvex", this);
  name->setObjectName("ProductName");
  QFont big = name->font();
  big.setPointSize(big.pointSize() + 8);
  big.setBold(true);
  name->setFont(big);
  auto* version = new QLabel(QString("Version %1").arg(CLIPVEX_VERSION), this);
  version->setObjectName("Version");
  auto* what = new QLabel("An editor for Quake demo recordings", this);
  auto* ok = new QPushButton("OK", this);
  ok->setObjectName("OKButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::hide);
  for (QLabel* label : {name, version, what}) {
    label->setAlignment(Qt::AlignCenter);
    layout->addWidget(label);
  }
  layout->addWidget(ok, 0, Qt::AlignCenter);
  setFixedSize(sizeHint().expandedTo(QSize(260, 0)));
}

void AboutDialog::showModeless() { clipvex::ShowModeless(*this, centred_); }

}  // namespace clipvex
