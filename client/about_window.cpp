#include "about_window.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

#include "../AuxFunct/aux_funct.h"
#include "../net/trx_cli/trx_cli.h"
#include "../net/trx_cs/cs_window.h"
#include "main_window.h"

namespace corvane {

QPixmap ProgramIcon() {
  QPixmap icon(36, 36);
  icon.fill(QColor(0, 0, 160));
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(255, 68, 0), 2));
  // A small curve over a white axis: what the program draws.
  painter.drawLine(3, 26, 33, 26);
  QPainterPath curve;
  curve.moveTo(3, 30);
  curve.cubicTo(12, -6, 22, 40, 33, 6);
  painter.setPen(QPen(QColor(255, 255, 145), 2));
  painter.drawPath(curve);
  return icon;
}

AboutWindow::AboutWindow(QWidget* owner) : QDialog(owner) {
  setWindowTitle(QStringLiteral("About Corvane"));
  setFixedSize(338, 260);
  move(450, 200);
  auto* icon = new QLabel(this);
  icon->setGeometry(5, 5, 36, 36);
  icon->setPixmap(ProgramIcon());
  auto* text = new QLabel(this);
  text->setGeometry(45, 5, 280, 185);
  text->setFrameStyle(QFrame::Box | QFrame::Plain);
  text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  text->setWordWrap(true);
  text->setMargin(4);
  text->setText(QString::fromStdString(
      ProgramName() + ": Expressions Evaluator\nVersion: " + aux::VersionText() +
      "\nCalculates and plots expressions, polynomials, integrals, matrices"));
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setGeometry(40, 225, 70, 25);
  ok_->setDefault(true);
  dll_info_ = new QPushButton(QStringLiteral("DLL info"), this);
  dll_info_->setGeometry(255, 225, 70, 25);
  trx::FitTexts(this);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(dll_info_, &QPushButton::clicked, this, [] { trx_cli::aAbout(0); });
}

}  // namespace corvane
