// Corvane's main window: the Input box with its line numbers and in-line
// help, Evaluate, the Output box, the Messages field, the file buttons, the
// special settings and the About boxes. It is the interpreter's user
// interface; every library operation stays a remote call.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "aPlot/plot_window.h"
#include "interpreter.h"
#include "txtHL/highlighter_qt.h"

namespace corvane {

// What the windows ask of the user. The program shows Qt dialogs; tests
// answer without blocking.
struct Dialogs {
  std::function<void(const std::string& text, const std::string& title)> message;
  std::function<bool(const std::string& text, const std::string& title)> question;
  // A file chosen in an open dialog with that title; nothing when cancelled.
  std::function<std::optional<std::string>(const std::string& title)> open_file;
};
// The Qt dialogs, owned by parent.
Dialogs QtDialogs(QWidget* parent);

class MainWindow : public QWidget, public UserInterface {
 public:
  explicit MainWindow(Dialogs dialogs);

  // The buttons' actions.
  void Evaluate();
  void ClearAll();
  // 0 load Input.txt, 1 save it, 3 load Synt&Samp.txt, 4 a file chosen.
  void ShowFile(int mode);
  void PickFile();
  void AboutBox();
  // Run when the window closes (the program's termination procedure).
  void SetOnClose(std::function<void()> on_close) { on_close_ = std::move(on_close); }
  // The connection state in the window's title: "connected to ADDRESS"
  // (address as "127.0.0.1:6832") or "not connected". Evaluate also sets
  // it when it finds the connection gone.
  void SetConnectionStatus(bool connected, const std::string& address = {});
  const std::string& ConnectionStatus() const { return connection_status_; }
  // The Input box with its line numbers, in screen coordinates: what new
  // windows leave uncovered where room allows.
  QRect InputArea() const;
  // The message level chosen (0 to 3).
  int MessageLevel() const;

  // UserInterface
  void ShowOutput(const std::string& text) override;
  void ShowMessages(const std::string& text, bool errors) override;
  void ClosePlots() override;
  void ShowPlot(const Plot& plot) override;

  bool Running() const { return running_; }
  QPlainTextEdit* Input() const { return input_; }
  QPlainTextEdit* Output() const { return output_; }
  QPlainTextEdit* InputNumbers() const { return input_numbers_; }
  QPlainTextEdit* OutputNumbers() const { return output_numbers_; }
  QPlainTextEdit* Help() const { return help_; }
  QLabel* Messages() const { return messages_; }
  QLineEdit* Decimals() const { return decimals_; }
  // Results in scientific notation where fixed point would hide them.
  QCheckBox* Scientific() const { return scientific_; }
  // The numbers of the controls in the window's table.
  enum ControlNumber : int {
    kEvaluate = 8,
    kMessages = 9,
    kClearAll = 10,
    kSyntaxSamples = 11,
    kOpenFile = 12,
    kAbout = 13,
    kAboutLibrary = 14,
    kEnd = 15,
    kLoadInput = 16,
    kSaveInput = 17,
    kPickFile = 18,
    kSettings = 19,
    kResetParser = 20,
    kNoMessages = 21,  // the four message levels, 0 to 3: 21 to 24
    kErrorMessages = 22,
    kDebugMessages = 23,
    kAllMessages = 24,
    kDecimals = 25,
    kScientific = 26,
  };
  // The control of that number in the window's table (8 to 26); nullptr for
  // any other number.
  QWidget* Control(int number) const;
  PlotWindows& Plots() { return plots_; }
  txthl::InputHighlighter* InputHighlighter() const { return input_colours_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ConnectControls();
  void RefreshLineNumbers();
  // The in-line help of the cursor line (typing) or of the word under the
  // cursor (arrow keys, mouse).
  void LineHelp();
  void WordHelp();
  void ShowHelp(const std::optional<std::string>& help);
  void Message(const std::string& text);
  // Evaluate without a connection: one block and the Messages field say so.
  void NotConnected();
  // Selects line (from 1) of the Input box; 0 puts the cursor at the start.
  void SelectErrorLine(int line);
  // The Messages field grows downwards, wrapping, for a text wider than it.
  void FitMessages();

  Dialogs dialogs_;
  Interpreter interpreter_;
  PlotWindows plots_;
  std::function<void()> on_close_;
  bool running_ = false;
  int input_lines_shown_ = 0;
  int output_lines_shown_ = 0;
  QString title_;
  std::string connection_status_;
  std::string address_;

  QPlainTextEdit* input_ = nullptr;
  QPlainTextEdit* output_ = nullptr;
  QPlainTextEdit* input_numbers_ = nullptr;
  QPlainTextEdit* output_numbers_ = nullptr;
  QPlainTextEdit* help_ = nullptr;
  QLabel* messages_ = nullptr;
  QLineEdit* decimals_ = nullptr;
  QCheckBox* scientific_ = nullptr;
  QPushButton* evaluate_ = nullptr;
  QPushButton* clear_all_ = nullptr;
  QPushButton* syntax_samples_ = nullptr;
  QPushButton* open_file_ = nullptr;
  QPushButton* about_ = nullptr;
  QPushButton* about_library_ = nullptr;
  QPushButton* end_ = nullptr;
  QPushButton* load_input_ = nullptr;
  QPushButton* save_input_ = nullptr;
  QPushButton* pick_file_ = nullptr;
  QPushButton* reset_parser_ = nullptr;
  QGroupBox* settings_ = nullptr;
  QButtonGroup* levels_ = nullptr;
  // Every control above by its number, for Control().
  std::map<int, QWidget*> controls_;
  txthl::InputHighlighter* input_colours_ = nullptr;
  txthl::OutputHighlighter* output_colours_ = nullptr;
};

// What Evaluate shows without a connection to a server.
inline constexpr const char* kNotConnectedText =
    "Not connected to a server: press Connect / Listen in the Client/Server window";

// "Expressions Evaluator" texts of the Clear all header and the About box.
std::string ProgramName();
std::string ClearAllHeaderText();

}  // namespace corvane
