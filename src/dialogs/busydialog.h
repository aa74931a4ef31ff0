// The busy indication of a wait for the converter: what is waited for, a
// moving bar and a Cancel button. Shown by the window's wait once the wait
// has taken half a second; modal, so that nothing else of the window runs
// meanwhile, while the window behind it keeps painting.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace clipvex {

class BusyDialog : public QDialog {
  Q_OBJECT

 public:
  explicit BusyDialog(const QString& text, QWidget* parent = nullptr);

  void setText(const QString& text);
  QString text() const;

 signals:
  // Cancel, Escape or the window's close button.
  void cancelled();

 protected:
  void reject() override;

 private:
  QLabel* text_;         // "busy_label"
  QPushButton* cancel_;  // "cancel_butt"
};

}  // namespace clipvex
