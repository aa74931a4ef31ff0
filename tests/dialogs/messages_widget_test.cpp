// The real message boxes, answered from a timer: errors carry the critical
// icon, the text arrives whole.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "dialogs/messages.h"
#include "dialogtesthelpers.h"
#include "document/error.h"

namespace clipvex {
namespace {

struct SeenBox {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QString text;
  int count = 0;
};

// Presses OK on every message box that comes up while the object lives.
class BoxAnswerer {
 public:
  BoxAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      seen.icon = box->icon();
      seen.title = box->windowTitle();
      seen.text = box->text();
      ++seen.count;
      box->button(QMessageBox::Ok)->click();
    });
    timer_.start(10);
  }
  SeenBox seen;

 private:
  QTimer timer_;
};

TEST(MessageBoxes, ErrorsCarryTheCriticalIcon) {
  const MessageBoxHook previous = SetMessageBoxHook({});
  {
    BoxAnswerer answer;
    ShowMessage(nullptr, "Error", "Error parsing input file");
    EXPECT_EQ(answer.seen.count, 1);
    EXPECT_EQ(answer.seen.icon, QMessageBox::Critical);
    EXPECT_EQ(answer.seen.title, "Error");
    EXPECT_EQ(answer.seen.text, "Error parsing input file");
  }
  {
    // A failing command: its message, every line of it, in a critical box.
    BoxAnswerer answer;
    const bool done = Guarded(nullptr, [] {
      throw ClipvexError("Failed to execute program.  Error Code 2\n/q/lmpc\nNo such file or directory");
    });
    EXPECT_FALSE(done);
    EXPECT_EQ(answer.seen.count, 1);
    EXPECT_EQ(answer.seen.icon, QMessageBox::Critical);
    EXPECT_EQ(answer.seen.title, "Clipvex");
    EXPECT_EQ(answer.seen.text, "Failed to execute program.  Error Code 2\n/q/lmpc\nNo such file or directory");
  }
  {
    BoxAnswerer answer;
    ShowMessage(nullptr, "Clipvex", "Saved.", MessageKind::Information);
    EXPECT_EQ(answer.seen.icon, QMessageBox::Information);
  }
  SetMessageBoxHook(previous);
}

}  // namespace
}  // namespace clipvex
