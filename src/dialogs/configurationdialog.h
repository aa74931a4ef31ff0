// The Configuration dialog: the folders of the game and the converter, the
// engine profile of the game, the game subdirectory, extra game parameters
// and the fast preview switch.
// It fills its boxes from the store once, when it is made; OK writes them
// back and loads the configuration again.
#pragma once

#include "dialogs/modeless.h"
#include "settings/dircfg.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

class QCheckBox;
class QComboBox;
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
  // The engine profiles to choose from, read again from the profile folder;
  // the note under them names the profile files that were refused.
  void loadProfiles(const std::string& selected);
  // Why the chosen profile's program does not run, or empty (the preview
  // game's is not looked at).
  std::string engineProblem(const DircfgValues& values);

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
  QComboBox* profile_;          // "profile_box": the engine profile
  QLabel* profileNote_;         // "profile_note"
  std::string refused_;         // the profile files that were refused, one a line
  QLabel* reason_;
  QLabel* gameFolderNote_;
  QLabel* converterFolderNote_;
  QLabel* gameDirectoryNote_;
};

}  // namespace clipvex
