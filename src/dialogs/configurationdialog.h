// The Configuration dialog: the folders of the game and the converter, the
// game subdirectory, extra game parameters and the fast preview switch.
// It fills its boxes from the store once, when it is made; OK writes them
// back and loads the configuration again.
#pragma once

#include "dialogs/modeless.h"
#include "settings/dircfg.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace clipvex {

class Tdir_dialog_form;

class Tdircfg_form : public ModelessDialog {
  Q_OBJECT

 public:
  // Shows itself at once when `settings.configpending` is set (and clears
  // it). `settings`, `store` and `dirDialog` must outlive the dialog.
  Tdircfg_form(Settings& settings, SettingsStore& store, Tdir_dialog_form& dirDialog, QWidget* parent = nullptr);

  // Shows the dialog without blocking, in front and active, with whatever
  // its boxes hold; centred on the screen the first time.
  void ShowModeless();

 private:
  void ok_buttClick();
  void cancel_buttClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void Browse(QLineEdit* target);

  DircfgValues BoxValues() const;
  void SetBoxValues(const DircfgValues& values);
  // The line at the top saying why the stored configuration is not usable.
  void UpdateReason();
  // The red notes under the folder boxes; empty texts hide them.
  void ShowNotes(const DircfgProblems& problems);

  Settings& settings_;
  SettingsStore& store_;
  Tdir_dialog_form& dirDialog_;

  QPushButton* ok_butt;
  QPushButton* cancel_butt;
  QLineEdit* addparams;
  QLineEdit* winqpath;
  QLineEdit* lmpcpath;
  QLineEdit* dempath;
  QToolButton* SpeedButton1;
  QToolButton* SpeedButton2;
  QCheckBox* fast_box;
  QLabel* reason_;
  QLabel* winqpathNote_;
  QLabel* lmpcpathNote_;
  QLabel* dempathNote_;
};

}  // namespace clipvex
