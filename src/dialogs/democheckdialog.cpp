#include "dialogs/democheckdialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/messages.h"
#include "effects/search.h"

namespace clipvex {

DemoCheckDialog::DemoCheckDialog(EffectsHost& host, QWidget* parent) : ModelessDialog(parent), host_(host) {
  setObjectName("check_form");
  setWindowTitle("Check Demo");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  summary_ = new QLabel(this);
  summary_->setObjectName("summary_label");
  summary_->setTextFormat(Qt::PlainText);
  summary_->setWordWrap(true);
  auto* note = new QLabel("Double Click to Goto Frame in Filmstrip", this);
  QFont italic = note->font();
  italic.setItalic(true);
  note->setFont(italic);
  list_ = new QListWidget(this);
  list_->setObjectName("ListBox1");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setMinimumSize(420, 220);
  close_ = new QPushButton("Close", this);
  close_->setObjectName("Button1");
  connect(close_, &QPushButton::clicked, this, &QWidget::hide);
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { goToProblem(list_->row(item)); });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(note);
  layout->addWidget(list_, 1);
  layout->addLayout(buttons);
}

void DemoCheckDialog::showFindings(char letter, const QString& name, const std::vector<DemoProblem>& problems) {
  strip_ = letter;
  list_->clear();
  refs_.clear();
  const StripState* strip = host_.StripOf(letter);
  for (const DemoProblem& problem : problems) {
    list_->addItem(FromBytes(DescribeProblem(problem)));
    refs_.push_back(strip != nullptr ? RefTo(strip->demo.Blocks, problem.block) : BlockRef{});
  }
  if (problems.empty()) {
    summary_->setText(QString("No problems found in %1.").arg(name));
  } else {
    summary_->setText(QString("%1 %2 in %3 may stop the game from playing it:")
                          .arg(problems.size())
                          .arg(problems.size() == 1 ? "problem" : "problems", name));
  }
  showInFront();
}

void DemoCheckDialog::stripDemoReplaced(char letter) {
  if (letter != strip_) return;
  list_->clear();
  refs_.clear();
  summary_->setText("The demo was closed or replaced: check it again.");
}

void DemoCheckDialog::goToProblem(int row) {
  if (row < 0 || static_cast<std::size_t>(row) >= refs_.size()) return;
  StripState* strip = host_.StripOf(strip_);
  const std::optional<std::size_t> index =
      strip != nullptr ? Resolve(refs_[static_cast<std::size_t>(row)], strip->demo.Blocks) : std::nullopt;
  QListWidgetItem* item = list_->item(row);
  if (!index) {
    if (!item->text().endsWith(" (gone)")) item->setText(item->text() + " (gone)");
    return;
  }
  host_.ShowStripAt(*strip, FirstVisibleFor(static_cast<std::int64_t>(*index), strip->step));
}

}  // namespace clipvex
