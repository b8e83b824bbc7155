// The About box of Corvane and the program's icon.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPushButton>

namespace corvane {

// A 36 x 36 icon drawn by the program: no image file to lose.
QPixmap ProgramIcon();

class AboutWindow : public QDialog {
 public:
  explicit AboutWindow(QWidget* owner);
  QPushButton* OkButton() const { return ok_; }
  QPushButton* DllInfoButton() const { return dll_info_; }

 private:
  QPushButton* ok_;
  QPushButton* dll_info_;
};

}  // namespace corvane
