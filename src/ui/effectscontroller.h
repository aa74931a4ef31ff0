// Find Text, Change Speed, Color Fade and the block viewer: the commands
// that open them (each only while the active strip holds a demo), the four
// modeless windows, and what they may use of the strips (EffectsHost).
// They hear of changes to the demos from the strips' documents. The rules
// live in effects/.
#pragma once

#include <QObject>
#include <cstdint>

#include "effects/effectshost.h"

class QAction;
class QWidget;

namespace clipvex {

class BlockViewer;
class ColorFadeDialog;
class EditController;
class EditorState;
class FindTextDialog;
class SpeedDialog;
class StripController;
class StripDocument;

class EffectsController : public QObject, public EffectsHost {
  Q_OBJECT

 public:
  EffectsController(EditorState& editor, EditController& editing, StripController& strips, QWidget* window);
  ~EffectsController() override;

  QAction* findAction() const { return find_; }            // Edit > Find...
  QAction* speedAction() const { return speed_; }          // F/X > Change Speed
  QAction* colorFadeAction() const { return colorFade_; }  // F/X > Color Fade

  // Makes the four windows (hidden).
  void createDialogs();
  FindTextDialog* findDialog() const { return findDialog_; }
  SpeedDialog* speedDialog() const { return speedDialog_; }
  ColorFadeDialog* colorFadeDialog() const { return colorFadeDialog_; }
  BlockViewer* blockViewer() const { return viewer_; }

  // EffectsHost.
  StripState& ActiveStrip() override;
  StripState* StripOf(char letter) override;
  const Settings& EffectsSettings() const override;
  void RunEffect(StripState& strip, const std::string& name, EditStep::Function edit,
                 std::weak_ptr<Block> textBlock) override;
  bool DemoLocked() const override;
  void ShowStripAt(StripState& strip, std::int32_t firstVisible) override;

 public slots:
  void find();
  void changeSpeed();
  void colorFade();
  // The strips' View as Text and Zoom Thumbnail tools.
  void openViewer(std::int64_t block, bool asText);

 private:
  void follow(StripDocument* document);
  void lock(bool locked);
  StripDocument* documentOf(const StripState& strip) const;

  EditorState& editor_;
  EditController& editing_;
  StripController& strips_;
  QWidget* window_;
  QAction* find_;
  QAction* speed_;
  QAction* colorFade_;
  FindTextDialog* findDialog_ = nullptr;
  SpeedDialog* speedDialog_ = nullptr;
  ColorFadeDialog* colorFadeDialog_ = nullptr;
  BlockViewer* viewer_ = nullptr;
};

}  // namespace clipvex
