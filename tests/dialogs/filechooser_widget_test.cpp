// The real file dialogs, answered from a timer the way a user would: pick a
// filter, type a name, press Enter. A name typed without a suffix gets the
// one of the chosen filter.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <ostream>

#include "dialogs/filechooser.h"
#include "support/testsupport.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace clipvex {
namespace {

// How the user answers the dialog: how many steps down the filter list,
// then the name typed.
struct Answer {
  int filterSteps = 0;
  QString name;
};

struct Seen {
  QString title;
  QString objectName;
  bool answered = false;
};

QString ChooseWith(FileDialogKind kind, const Answer& answer, Seen* seen = nullptr) {
  QTimer timer;
  bool answered = false;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    // A box the dialog raises (a file it cannot find, say) is a failure,
    // and is closed so that nothing blocks.
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      ADD_FAILURE() << "the dialog said: " << box->text().toStdString();
      box->reject();
      return;
    }
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) return;
    if (answered) {
      ADD_FAILURE() << "the dialog refused " << answer.name.toStdString();
      dialog->reject();
      return;
    }
    answered = true;
    if (seen != nullptr) {
      seen->title = dialog->windowTitle();
      seen->objectName = dialog->objectName();
      seen->answered = true;
    }
    auto* filters = dialog->findChild<QComboBox*>("fileTypeCombo");
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (filters == nullptr || name == nullptr) {
      ADD_FAILURE() << "not the widget file dialog";
      dialog->reject();
      return;
    }
    for (int i = 0; i < answer.filterSteps; ++i) QTest::keyClick(filters, Qt::Key_Down);
    name->setFocus();
    name->setText(answer.name);
    QTest::keyClick(name, Qt::Key_Return);
  });
  timer.start(10);
  QtFileChooser chooser;
  return chooser.Choose(nullptr, kind);
}

class FileChooserTest : public ::testing::Test {
 protected:
  QString In(const char* name) const { return QString::fromStdString(dir_.File(name)); }
  test::TempDir dir_;
};

TEST_F(FileChooserTest, SaveNamesFollowTheChosenFilter) {
  Seen seen;
  // Quake Demo Files, the first filter: a demo.
  EXPECT_EQ(ChooseWith(FileDialogKind::Save, {0, In("film")}, &seen), In("film.dem"));
  EXPECT_TRUE(seen.answered);
  EXPECT_EQ(seen.title, "Save Demo File");
  EXPECT_EQ(seen.objectName, "SaveDialog1");
  // Quake Demo Text Files: dump text under a text name.
  EXPECT_EQ(ChooseWith(FileDialogKind::Save, {1, In("film")}), In("film.txt"));
  // All Files keeps the demo suffix of the dialog.
  EXPECT_EQ(ChooseWith(FileDialogKind::Save, {2, In("film")}), In("film.dem"));
  // A typed suffix stays whatever the filter.
  EXPECT_EQ(ChooseWith(FileDialogKind::Save, {0, In("film.out")}), In("film.out"));
  EXPECT_EQ(ChooseWith(FileDialogKind::Save, {1, In("film.dem")}), In("film.dem"));
  // New has the demo and all-files filters only.
  EXPECT_EQ(ChooseWith(FileDialogKind::New, {1, In("fresh")}, &seen), In("fresh.dem"));
  EXPECT_EQ(seen.title, "New Demo File");
}

TEST_F(FileChooserTest, OpenFindsATypedNameUnderTheTextFilter) {
  test::WriteFile(dir_.File("clip.txt"), "track -1;\n");
  test::WriteFile(dir_.File("clip.dem"), "demo");
  Seen seen;
  EXPECT_EQ(ChooseWith(FileDialogKind::Open, {1, In("clip")}, &seen), In("clip.txt"));
  EXPECT_EQ(seen.title, "Open Demo File");
  EXPECT_EQ(ChooseWith(FileDialogKind::Open, {0, In("clip")}), In("clip.dem"));
}

TEST(CompleteSaveName, OnlyNamesWithoutASuffixGrow) {
  const FileDialogSpec save = SpecOf(FileDialogKind::Save);
  ASSERT_EQ(save.filters.size(), 3);
  EXPECT_EQ(CompleteSaveName("/d/film", save.filters[0]), "/d/film.dem");
  EXPECT_EQ(CompleteSaveName("/d/film", save.filters[1]), "/d/film.txt");
  EXPECT_EQ(CompleteSaveName("/d/film", save.filters[2]), "/d/film.dem");
  EXPECT_EQ(CompleteSaveName("/d.x/film.out", save.filters[0]), "/d.x/film.out");
  EXPECT_EQ(CompleteSaveName("/d.x/film", save.filters[1]), "/d.x/film.txt");
  EXPECT_EQ(CompleteSaveName("", save.filters[1]), "");
  // Dialogs that hide the patterns report the caption alone.
  EXPECT_EQ(CompleteSaveName("/d/film", "Quake Demo Text Files (*.txt,*.out)"), "/d/film.txt");
  EXPECT_EQ(CompleteSaveName("/d/film", "All Files (*.*)"), "/d/film.dem");
}

}  // namespace
}  // namespace clipvex
