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

class SelectDirectoryDialog;

class ConfigurationDialog : public ModelessDialog {
  Q_OBJECT

 public:
  // Shows itself at once when `settings.configpending` is set (and clears
  // it). `settings`, `store` and `selectDirectory` must outlive the dialog.
  ConfigurationDialog(Settings& settings, SettingsStore& store, SelectDirectoryDialog& selectDirectory,
                      QWidget* parent = nullptr);

  // Shows the dialog without blocking, in front and active, with whatever
  // its boxes hold; centred on the screen the first time.
  void showModeless();

 private:
  // OK: writes the boxes and loads the configuration again; values that
  // cannot be used keep the dialog open.
  void applyAndClose();
  // The browse buttons: the Select Directory dialog fills `target`.
  void browse(QLineEdit* target);

  DircfgValues boxValues() const;
  void setBoxValues(const DircfgValues& values);
  // The line at the top saying why the stored configuration is not usable.
  void updateReason();
  // The red notes under the folder boxes; empty texts hide them.
  void showNotes(const DircfgProblems& problems);

  Settings& settings_;
  SettingsStore& store_;
  SelectDirectoryDialog& selectDirectory_;

  QPushButton* ok_;             // "ok_butt"
  QPushButton* cancel_;         // "cancel_butt"
  QLineEdit* addParams_;        // "addparams"
  QLineEdit* gameFolder_;       // "winqpath", browsed with "SpeedButton1"
  QLineEdit* converterFolder_;  // "lmpcpath", browsed with "SpeedButton2"
  QLineEdit* gameDirectory_;    // "dempath"
  QCheckBox* fastPreview_;      // "fast_box"
  QLabel* reason_;
  QLabel* gameFolderNote_;
  QLabel* converterFolderNote_;
  QLabel* gameDirectoryNote_;
};

}  // namespace clipvex
