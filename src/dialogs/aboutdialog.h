// The about box: the program's name and version, closed with "OK".
#pragma once

#include <QDialog>

namespace clipvex {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);

  void showModeless();

 private:
  bool centred_ = false;
};

}  // namespace clipvex
