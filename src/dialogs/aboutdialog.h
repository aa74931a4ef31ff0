// The about box: the program's name and version, closed with "OK".
#pragma once

#include <QDialog>

namespace clipvex {

class Tabout_form : public QDialog {
  Q_OBJECT

 public:
  explicit Tabout_form(QWidget* parent = nullptr);

  void ShowModeless();

 private:
  bool centred_ = false;
};

}  // namespace clipvex
