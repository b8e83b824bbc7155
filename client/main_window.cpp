#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

#include "../AuxFunct/aux_funct.h"
#include "../net/trx_cli/trx_cli.h"
#include "../net/trx_cs/client.h"
#include "../net/trx_cs/cs_window.h"
#include "about_window.h"
#include "files.h"
#include "placement.h"

namespace corvane {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Texts composed with CR LF show in the editors with one line break.
QString Lines(const std::string& text) {
  QString out = Q(text);
  out.remove(QLatin1Char('\r'));
  return out;
}

const QString kFilePattern = QStringLiteral("Text (*.txt);;All files (*)");

QFont Courier() {
  QFont font(QStringLiteral("Courier New"));
  font.setPointSize(10);
  font.setStyleHint(QFont::Monospace);
  return font;
}

QPlainTextEdit* Editor(QWidget* parent, int x, int y, int w, int h) {
  auto* editor = new QPlainTextEdit(parent);
  editor->setGeometry(x, y, w, h);
  editor->setFont(Courier());
  editor->setLineWrapMode(QPlainTextEdit::NoWrap);
  return editor;
}

// A read-only line-number column beside its box, right-aligned, following
// the box's scrolling.
QPlainTextEdit* Numbers(QWidget* parent, int x, int y, int w, int h, QPlainTextEdit* box) {
  auto* numbers = Editor(parent, x, y, w, h);
  numbers->setReadOnly(true);
  numbers->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  numbers->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  numbers->setFocusPolicy(Qt::NoFocus);
  numbers->setFrameStyle(QFrame::NoFrame);
  QTextOption option = numbers->document()->defaultTextOption();
  option.setAlignment(Qt::AlignRight);
  numbers->document()->setDefaultTextOption(option);
  numbers->setPlainText(QStringLiteral("1"));
  // The box scrolls itself without always telling its scroll bar's
  // listeners; every repaint request of the box brings the numbers in step,
  // and so does a late layout of the numbers themselves.
  const auto follow = [numbers, box] {
    if (numbers->verticalScrollBar()->value() != box->verticalScrollBar()->value()) {
      numbers->verticalScrollBar()->setValue(box->verticalScrollBar()->value());
    }
  };
  QObject::connect(box, &QPlainTextEdit::updateRequest, numbers, follow);
  QObject::connect(box->verticalScrollBar(), &QScrollBar::valueChanged, numbers, follow);
  QObject::connect(numbers->verticalScrollBar(), &QScrollBar::rangeChanged, numbers, follow);
  return numbers;
}

QString NumberLines(int count) {
  QString text;
  for (int i = 1; i <= count; ++i) {
    if (i > 1) text += QLatin1Char('\n');
    text += QString::number(i);
  }
  return text;
}

bool IsArrow(int key) {
  return key == Qt::Key_Left || key == Qt::Key_Up || key == Qt::Key_Right || key == Qt::Key_Down;
}

// The characters after which the typed line is coloured again and its help
// shown: a blank, "0" to "Z", "a" to "z", "'", "(", ")", "=".
bool ColoursLine(const QString& typed) {
  if (typed.size() != 1) return false;
  const char16_t c = typed.at(0).unicode();
  return c == ' ' || (c >= '0' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '\'' || c == '(' ||
         c == ')' || c == '=';
}

}  // namespace

std::string ProgramName() { return "Corvane"; }

std::string ClearAllHeaderText() {
  return "'" + ProgramName() + ": Expressions Evaluator\r\n'Version: " + aux::VersionText() +
         "\r\n'Calculates and plots expressions, polynomials, integrals, matrices\r\n'" +
         std::string(62, '-') + "\r\n";
}

Dialogs QtDialogs(QWidget* parent) {
  Dialogs d;
  d.message = [parent](const std::string& text, const std::string& title) {
    QMessageBox::information(parent, Q(title), Lines(text));
  };
  d.question = [parent](const std::string& text, const std::string& title) {
    return QMessageBox::question(parent, Q(title), Lines(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  d.open_file = [parent](const std::string& title) -> std::optional<std::string> {
    const QString name = QFileDialog::getOpenFileName(parent, Q(title), QString(), kFilePattern);
    if (name.isEmpty()) return std::nullopt;
    return name.toStdString();
  };
  return d;
}

MainWindow::MainWindow(Dialogs dialogs)
    : dialogs_(std::move(dialogs)), interpreter_(*this), plots_(this) {
  title_ = Q("Expression Evaluator (based on library Tarnix.dll - " + ProgramName() + " " +
             aux::VersionText() + " for Linux)");
  setWindowTitle(title_);
  setWindowIcon(ProgramIcon());
  setFixedSize(805, 683);
  move(0, 14);
  BuildControls();
  ConnectControls();
}

void MainWindow::SetConnectionStatus(bool connected, const std::string& address) {
  if (!address.empty()) address_ = address;
  connection_status_ = connected ? "connected to " + address_ : "not connected";
  setWindowTitle(title_ + QStringLiteral(" - ") + Q(connection_status_));
}

QRect MainWindow::InputArea() const {
  return {input_numbers_->mapToGlobal(QPoint(0, 0)),
          input_->mapToGlobal(QPoint(input_->width() - 1, input_->height() - 1))};
}

int MainWindow::MessageLevel() const { return std::max(levels_->checkedId(), 0); }

void MainWindow::BuildControls() {
  auto* header = new QLabel(this);
  header->setGeometry(5, 0, 1000, 30);
  header->setText(Q(ProgramName() + ": an expressions evaluator based on the library Tarnix.dll, "
                                    "every calculation done by a trx_Server.\nClick on Samples "
                                    "for a use examples and Syntax for more info. Click 'Evaluate' "
                                    "button to evaluate expressions."));
  auto* input_label = new QLabel(QStringLiteral("     #  Input:"), this);
  input_label->setGeometry(10, 30, 135, 15);
  input_ = Editor(this, 35, 45, 770, 250);
  auto* output_label = new QLabel(QStringLiteral("     #  Output"), this);
  output_label->setGeometry(10, 320, 80, 15);
  output_ = Editor(this, 35, 335, 770, 210);
  // Results are read and copied, not edited.
  output_->setReadOnly(true);
  output_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  input_numbers_ = Numbers(this, 0, 45, 35, 250, input_);
  output_numbers_ = Numbers(this, 0, 335, 35, 210, output_);
  help_ = new QPlainTextEdit(QStringLiteral("In line help"), this);
  help_->setReadOnly(true);
  help_->setFocusPolicy(Qt::NoFocus);
  help_->setLineWrapMode(QPlainTextEdit::NoWrap);
  help_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  help_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  help_->setStyleSheet(
      QStringLiteral("QPlainTextEdit { color: rgb(146,145,254); "
                     "background-color: rgb(255,255,145); }"));
  // Two lines of its font, wherever they fit: the height follows the font.
  help_->document()->setDocumentMargin(1);
  help_->ensurePolished();
  help_->setGeometry(
      100, 297, 690,
      2 * QFontMetrics(help_->font()).lineSpacing() + 2 + 2 * help_->frameWidth() + 2);
  input_colours_ = new txthl::InputHighlighter(input_->document());
  output_colours_ = new txthl::OutputHighlighter(output_->document());

  struct ButtonSpec {
    ControlNumber number;
    QPushButton* MainWindow::*button;
    const char* text;
    int x, y, w, h;
    const char* tip;
  };
  const ButtonSpec buttons[] = {
      {kEvaluate, &MainWindow::evaluate_, "Evaluate", 5, 555, 115, 25,
       "Evaluate expressions in the Input textbox"},
      {kClearAll, &MainWindow::clear_all_, "Clear all", 600, 645, 90, 25,
       "Clear Input and Output text boxes"},
      {kSyntaxSamples, &MainWindow::syntax_samples_, "Syntax && Samples", 500, 555, 90, 25,
       "Load Syntax & Samples file into Input textbox"},
      {kOpenFile, &MainWindow::open_file_, "Open file...", 500, 585, 90, 25, ""},
      {kAbout, &MainWindow::about_, "About", 700, 585, 90, 25, "Show program about box"},
      {kAboutLibrary, &MainWindow::about_library_, "About DLL", 700, 615, 90, 25,
       "Show DLL library about box"},
      {kEnd, &MainWindow::end_, "End", 700, 645, 90, 25, "Terminate program"},
      {kLoadInput, &MainWindow::load_input_, "Load Input file", 600, 585, 90, 25, ""},
      {kSaveInput, &MainWindow::save_input_, "Save Input file", 600, 615, 90, 25, ""},
      {kPickFile, &MainWindow::pick_file_, "Pick File...", 600, 555, 90, 25,
       "Show open file box to select a file name to import into the Input box"},
  };
  for (const ButtonSpec& b : buttons) {
    auto* button = new QPushButton(QString::fromUtf8(b.text), this);
    button->setGeometry(b.x, b.y, b.w, b.h);
    if (*b.tip != '\0') button->setToolTip(QString::fromUtf8(b.tip));
    this->*b.button = button;
    controls_[b.number] = button;
  }
  evaluate_->setDefault(true);

  messages_ = new QLabel(QStringLiteral("Messages"), this);
  messages_->setGeometry(5, 585, 115, 20);
  messages_->setFrameStyle(QFrame::Box | QFrame::Plain);
  messages_->setToolTip(QStringLiteral("Show if Evaluation encoutered how many errors"));
  controls_[kMessages] = messages_;

  settings_ = new QGroupBox(QStringLiteral("Special settings:"), this);
  settings_->setGeometry(140, 550, 340, 125);
  controls_[kSettings] = settings_;
  reset_parser_ = new QPushButton(QStringLiteral("Reset Equation Parser"), this);
  reset_parser_->setGeometry(150, 565, 160, 20);
  reset_parser_->setToolTip(
      QStringLiteral("Reset the expression parser engine (variables, functions, matrices,...)"));
  controls_[kResetParser] = reset_parser_;
  levels_ = new QButtonGroup(this);
  const char* level_texts[] = {"No Messages (=0)", "Show Error Messages (=1)",
                               "Show Debug Messages (=2)", "Show All Messages (=3)"};
  for (int i = 0; i < 4; ++i) {
    auto* option = new QRadioButton(QString::fromUtf8(level_texts[i]), this);
    option->setGeometry(150, 590 + 20 * i, 160, 15);
    levels_->addButton(option, i);
    controls_[kNoMessages + i] = option;
  }
  decimals_ = new QLineEdit(QStringLiteral("4"), this);
  decimals_->setGeometry(340, 585, 50, 20);
  decimals_->setAlignment(Qt::AlignCenter);
  controls_[kDecimals] = decimals_;
  auto* decimals_label = new QLabel(QStringLiteral("decimals"), this);
  decimals_label->setGeometry(340, 565, 135, 15);
  scientific_ = new QCheckBox(QStringLiteral("sci format"), this);
  scientific_->setGeometry(395, 585, 80, 20);
  scientific_->setToolTip(
      QStringLiteral("Write results whose size is below 10^-decimals or at least 10^15 in "
                     "scientific notation (1.5000E-07) instead of fixed point"));
  controls_[kScientific] = scientific_;
  trx::FitTexts(this);
}

void MainWindow::ConnectControls() {
  auto on = [this](QPushButton* button, auto action) {
    connect(button, &QPushButton::clicked, this, action);
  };
  on(evaluate_, [this] { Evaluate(); });
  // Evaluate answers the right button as well.
  evaluate_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(evaluate_, &QWidget::customContextMenuRequested, this, [this] { Evaluate(); });
  on(clear_all_, [this] { ClearAll(); });
  on(syntax_samples_, [this] {
    ShowFile(3);
    output_->clear();
    trx_cli::ReSetDuZuradi();
  });
  on(open_file_, [this] { ShowFile(4); });
  on(about_, [this] { AboutBox(); });
  on(about_library_, [] { trx_cli::aAbout(0); });
  on(end_, [this] { close(); });
  on(load_input_, [this] { ShowFile(0); });
  on(save_input_, [this] { ShowFile(1); });
  on(pick_file_, [this] { PickFile(); });
  on(reset_parser_, [] { trx_cli::ReSetDuZuradi(); });
  connect(levels_, &QButtonGroup::idClicked, this, [](int level) { trx_cli::ShowMsgs(level); });
  connect(input_->document(), &QTextDocument::blockCountChanged, this,
          [this] { RefreshLineNumbers(); });
  connect(output_->document(), &QTextDocument::blockCountChanged, this,
          [this] { RefreshLineNumbers(); });
  input_->installEventFilter(this);
  input_->viewport()->installEventFilter(this);
}

QWidget* MainWindow::Control(int number) const {
  const auto it = controls_.find(number);
  return it != controls_.end() ? it->second : nullptr;
}

void MainWindow::Message(const std::string& text) { dialogs_.message(text, "Corvane"); }

void MainWindow::Evaluate() {
  if (running_) return;  // a second press while a run is in progress
  // Without a server every line would fail alike: said once, at once.
  if (!trx::CheckConnection()) {
    NotConnected();
    return;
  }
  running_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  RefreshLineNumbers();
  interpreter_.SetNumberFormat(scientific_->isChecked() ? NumberFormat::Scientific
                                                        : NumberFormat::Fixed);
  interpreter_.Run(input_->toPlainText().toStdString(), decimals_->text().toStdString());
  RefreshLineNumbers();
  SelectErrorLine(interpreter_.FirstPlacedErrorLine());
  QApplication::restoreOverrideCursor();
  running_ = false;
  if (trx::Client().ClientConnected == 0) SetConnectionStatus(false);  // lost during the run
}

void MainWindow::SelectErrorLine(int line) {
  // The Input box shows the line whose error the library could place, so
  // that it can be mended at once; without one it goes back to the top.
  const QTextBlock block = input_->document()->findBlockByNumber(line - 1);
  if (line <= 0 || !block.isValid()) {
    input_->moveCursor(QTextCursor::Start);
    return;
  }
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  input_->setTextCursor(cursor);
  input_->ensureCursorVisible();
}

void MainWindow::NotConnected() {
  ClosePlots();
  output_->setPlainText(QStringLiteral("===>  ") + Q(kNotConnectedText) + QLatin1Char('\n'));
  RefreshLineNumbers();
  ShowMessages(kNotConnectedText, true);
  SetConnectionStatus(false);
}

void MainWindow::ShowOutput(const std::string& text) {
  output_->setPlainText(Lines(text));
  output_->moveCursor(QTextCursor::End);
  output_->viewport()->repaint();  // the blocks appear one by one
}

void MainWindow::ShowMessages(const std::string& text, bool errors) {
  messages_->setText(Q(text));
  FitMessages();
  messages_->setStyleSheet(errors ? QStringLiteral("QLabel { color: rgb(255,255,255); "
                                                   "background-color: rgb(255,0,0); }")
                                  : QString());
}

void MainWindow::FitMessages() {
  constexpr int kLeft = 5, kTop = 585, kWidth = 115, kHeight = 20;
  constexpr int kWideWidth = 130, kMaxHeight = 93;  // the free room below and beside it
  const QFontMetrics metrics(messages_->font());
  const QString text = messages_->text();
  if (metrics.horizontalAdvance(text) <= kWidth - 4) {
    messages_->setWordWrap(false);
    messages_->setGeometry(kLeft, kTop, kWidth, kHeight);
    return;
  }
  messages_->setWordWrap(true);
  const QRect needed =
      metrics.boundingRect(QRect(0, 0, kWideWidth - 6, 1000), Qt::TextWordWrap, text);
  messages_->setGeometry(kLeft, kTop, kWideWidth,
                         std::clamp(needed.height() + 6, kHeight, kMaxHeight));
}

void MainWindow::ClosePlots() { plots_.CloseAll(); }

void MainWindow::ShowPlot(const Plot& plot) {
  // A new window goes beside the windows in view, cascading after the last
  // plot, the Input box left uncovered where the screen has room; a curve
  // added to a window already open leaves it where it is.
  plots_.Open(plot, [this](PlotWindow* window, PlotWindow* previous) {
    PlaceNewWindow(window, this, InputArea(), previous);
  });
}

void MainWindow::ClearAll() {
  input_->setPlainText(Lines(ClearAllHeaderText()));
  output_->setPlainText(QStringLiteral("- - -"));
  trx_cli::ReSetDuZuradi();
}

void MainWindow::ShowFile(int mode) {
  std::optional<std::string> text;
  if (mode == 0 || mode == 3) {
    text = LoadInputFile(mode);
  } else if (mode == 1) {
    SaveInputFile(input_->toPlainText().toStdString());
    return;
  } else if (mode == 4) {
    const std::optional<std::string> path = dialogs_.open_file("Open File");
    if (!path) {
      Message("Operation cancelled by user.");
      return;
    }
    text = LoadChosenFile(*path);
  }
  if (text) input_->setPlainText(Lines(*text));  // the highlighter colours it all
}

void MainWindow::PickFile() {
  const std::optional<std::string> path = dialogs_.open_file("File name to insert");
  if (!path) return;
  QString name = Q(*path);
  if (dialogs_.question("Path relative to program location?", "Corvane Question")) {
    const QString directory = Q(ProgramDirectory());
    if (name.startsWith(directory, Qt::CaseInsensitive)) name.remove(0, directory.size());
  }
  input_->insertPlainText(name);  // replaces the selection, undoable
}

void MainWindow::AboutBox() {
  auto* about = findChild<AboutWindow*>();
  if (about == nullptr) {
    about = new AboutWindow(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
  }
  about->show();
  about->raise();
}

void MainWindow::RefreshLineNumbers() {
  const int input_lines = input_->document()->blockCount();
  if (input_lines != input_lines_shown_) {
    input_numbers_->setPlainText(NumberLines(input_lines));
    input_lines_shown_ = input_lines;
  }
  const int output_lines = output_->document()->blockCount();
  if (output_lines != output_lines_shown_) {
    output_numbers_->setPlainText(NumberLines(output_lines));
    output_lines_shown_ = output_lines;
  }
  input_numbers_->verticalScrollBar()->setValue(input_->verticalScrollBar()->value());
  output_numbers_->verticalScrollBar()->setValue(output_->verticalScrollBar()->value());
}

void MainWindow::ShowHelp(const std::optional<std::string>& help) {
  if (!help) return;
  const QString text = Lines(*help);
  // The widest line fits the field: the font shrinks down to 6.5 points;
  // the whole text is also the field's tool tip.
  QFont font = help_->parentWidget()->font();
  const int room = help_->viewport()->width() - 2 * 1 - 2;
  for (qreal size = font.pointSizeF(); size > 6.5; size -= 0.5) {
    font.setPointSizeF(size);
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
      widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    if (widest <= room) break;
  }
  help_->setFont(font);
  help_->setPlainText(text);
  help_->setToolTip(text);
}

void MainWindow::LineHelp() {
  const QTextCursor cursor = input_->textCursor();
  const std::string line = txthl::LineText(cursor.block().text());
  ShowHelp(txthl::HighlightLine(line, cursor.positionInBlock() + 1).help);
}

void MainWindow::WordHelp() {
  const QTextCursor cursor = input_->textCursor();
  const int column = cursor.positionInBlock() + 1;
  input_colours_->SetWordAtCursor(cursor.blockNumber(), column);
  ShowHelp(txthl::HighlightWordAtCursor(txthl::LineText(cursor.block().text()), column).help);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == input_ && event->type() == QEvent::KeyRelease) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (IsArrow(key->key())) {
      WordHelp();
    } else if (ColoursLine(key->text())) {
      LineHelp();
    }
  } else if (watched == input_ && event->type() == QEvent::KeyPress &&
             static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    close();
    return true;
  } else if (watched == input_->viewport() && event->type() == QEvent::MouseButtonRelease) {
    WordHelp();
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();  // Esc leaves the program
    return;
  }
  QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (running_) {  // the run ends first
    event->ignore();
    return;
  }
  plots_.CloseAll();
  if (on_close_) on_close_();
  event->accept();
}

}  // namespace corvane
