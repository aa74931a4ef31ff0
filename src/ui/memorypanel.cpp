#include "ui/memorypanel.h"

#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>

#include "ui/formwidgets.h"
#include "ui/memstatus.h"

namespace clipvex {

MemoryPanel::MemoryPanel(int right, int top, QWidget* parent) : QFrame(parent) {
  setObjectName("mempanel");
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setAutoFillBackground(true);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(12, 12, 12, 12);
  grid->setHorizontalSpacing(12);
  const char* captions[][2] = {{"Label1", "Memory Load"},
                               {"Label2", "Total Physical Mem"},
                               {"Label3", "Avail Physical Mem"},
                               {"Label4", "Avail Page File"},
                               {"Label5", "Avail Total"}};
  const char* values[] = {"memload", "physmem", "aphysmem", "apagefile", "avirtual"};
  for (int i = 0; i < 5; ++i) {
    grid->addWidget(MakeLabel(this, captions[i][0], captions[i][1], 0, 0), i, 0);
    QLabel* value = MakeLabel(this, values[i], values[i], 0, 0);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for byte counts of machines with terabytes of memory.
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance("0000000000000"));
    grid->addWidget(value, i, 1);
  }
  grid->setRowStretch(5, 1);
  const QSize size = grid->sizeHint().expandedTo(QSize(201, 201));
  setGeometry(right - size.width(), top, size.width(), size.height());
  hide();
}

void MemoryPanel::showFigures() {
  show();
  raise();
  readFigures();
}

void MemoryPanel::readFigures() {
  MemoryStatus status;
  ReadMemoryStatus(status);
  auto set = [this](const char* name, const QString& text) {
    if (auto* label = findChild<QLabel*>(name)) label->setText(text);
  };
  set("memload", QString::number(status.loadPercent) + "%");
  set("physmem", QString::number(status.totalPhysical));
  set("aphysmem", QString::number(status.availPhysical));
  set("apagefile", QString::number(status.availPageFile));
  set("avirtual", QString::number(status.availPhysical + status.availPageFile));
}

void MemoryPanel::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  readFigures();
}

void MemoryPanel::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  hide();
}

}  // namespace clipvex
