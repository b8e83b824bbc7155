// Corvane's main window on the offscreen platform against a real trx_Server:
// typing, Evaluate, the Output and Messages fields, the file buttons, the
// line numbers, the in-line help, and the layout with substitute fonts.
#include <QAbstractButton>
#include <QClipboard>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <filesystem>
#include <fstream>
#include <memory>

#include "client.h"
#include "files.h"
#include "main_window.h"
#include "server_process.h"
#include "trx_cli.h"
#include "txtHL/highlight.h"

namespace {

const QString kTag(20, QLatin1Char(' '));
using W = corvane::MainWindow;

class MainWindowTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<server_test::ServerProcess> server_;
  std::unique_ptr<corvane::MainWindow> window_;
  std::string directory_;
  std::vector<std::string> messages_;
  std::vector<std::string> questions_;
  std::optional<std::string> chosen_file_;
  bool answer_ = true;
  std::function<void()> during_message_;

  QPushButton* Button(int number) { return static_cast<QPushButton*>(window_->Control(number)); }
  // Types text as a user would, Enter for each line break.
  void Type(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
      if (i > 0) QTest::keyClick(window_->Input(), Qt::Key_Return);
      QTest::keyClicks(window_->Input(), lines[i]);
    }
  }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(directory_ + name, std::ios::binary) << text;
  }
  std::string Help() { return window_->Help()->toPlainText().toStdString(); }

 private slots:
  void initTestCase() {
    server_ = std::make_unique<server_test::ServerProcess>();
    QVERIFY(trx::InitClient("127.0.0.1", server_->Port()) != 0);
  }

  void init() {
    trx_cli::ReSetDuZuradi();
    char pattern[] = "/tmp/corvane_gui_XXXXXX";
    QVERIFY(::mkdtemp(pattern) != nullptr);
    directory_ = std::string(pattern) + "/";
    std::filesystem::create_directory(directory_ + "InOut");
    corvane::SetProgramDirectory(directory_);
    messages_.clear();
    questions_.clear();
    chosen_file_.reset();
    during_message_ = nullptr;
    corvane::Dialogs dialogs;
    dialogs.message = [this](const std::string& text, const std::string& title) {
      messages_.push_back(title + ": " + text);
      if (during_message_) during_message_();
    };
    dialogs.question = [this](const std::string& text, const std::string& title) {
      questions_.push_back(title + ": " + text);
      return answer_;
    };
    dialogs.open_file = [this](const std::string&) { return chosen_file_; };
    trx::SetMessageBox(dialogs.message);
    window_ = std::make_unique<corvane::MainWindow>(dialogs);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }

  void cleanup() {
    window_.reset();
    trx::SetMessageBox(nullptr);
    std::filesystem::remove_all(directory_);
  }

  void cleanupTestCase() {
    trx::Disconnect();
    server_.reset();
  }

  void evaluateFillsOutputAndMessages() {
    Type(QStringLiteral("expr = 1/3\nExpr = 1/0 ' a remark\n"));
    window_->Decimals()->setText(QStringLiteral("3"));
    QTest::mouseClick(Button(8), Qt::LeftButton);
    QCOMPARE(window_->Output()->toPlainText(),
             QStringLiteral("Ln 1: Expression = 1/3: ") + kTag +
                 QStringLiteral("\n       Result => Number = 0.333\n\n"
                                "Ln 2: Expression = 1/0: ") +
                 kTag +
                 QStringLiteral("\n       Result => ===>  ERROR n. = -9: Division by zero "
                                "(eval)\n\n"));
    QCOMPARE(window_->Messages()->text(), QStringLiteral("1 errors found"));
    QVERIFY(window_->Messages()->styleSheet().contains(QStringLiteral("color: rgb(255,255,255)")));
    QVERIFY(window_->Messages()->styleSheet().contains(
        QStringLiteral("background-color: rgb(255,0,0)")));
    // "ERROR n." is red and bold in the Output box.
    const QTextBlock error_line = window_->Output()->document()->findBlockByNumber(4);
    bool marked = false;
    for (const QTextLayout::FormatRange& range : error_line.layout()->formats()) {
      marked |= error_line.text().mid(range.start, range.length) == QStringLiteral("ERROR n.") &&
                range.format.foreground().color() == QColor(255, 0, 0) &&
                range.format.fontWeight() == QFont::Bold;
    }
    QVERIFY(marked);

    window_->Input()->setPlainText(QStringLiteral("Expr = 5/2"));
    QTest::mouseClick(Button(8), Qt::LeftButton);
    // Under a comma locale numbers still use the point.
    QVERIFY(window_->Output()->toPlainText().contains(QStringLiteral("Number = 2.500")));
    QCOMPARE(window_->Messages()->text(), QStringLiteral("No errors"));
    QVERIFY(window_->Messages()->styleSheet().isEmpty());
  }

  void aSecondEvaluateDuringARunIsIgnored() {
    window_->Input()->setPlainText(QStringLiteral("ExprF = missing.txt\nExpr = 7"));
    int nested_runs = 0;
    during_message_ = [this, &nested_runs] {
      QVERIFY(window_->Running());
      window_->Evaluate();  // ignored: the run is still going
      QTest::mouseClick(Button(8), Qt::LeftButton);
      ++nested_runs;
    };
    window_->Evaluate();
    QCOMPARE(nested_runs, 1);
    QCOMPARE(window_->Output()->toPlainText().count(QStringLiteral("Ln 2: Expression = 7")), 1);
    QVERIFY(!window_->Running());
  }

  void clearAllWritesTheHeaderAndResetsTheLibrary() {
    trx_cli::SetVarFunct("a", "5", 0);
    QTest::mouseClick(Button(10), Qt::LeftButton);
    const QStringList lines = window_->Input()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 5);  // four header lines and the empty last line
    QCOMPARE(lines[0], QStringLiteral("'Corvane: Expressions Evaluator"));
    QVERIFY(lines[1].startsWith(QStringLiteral("'Version: 1.")));
    QCOMPARE(lines[2],
             QStringLiteral("'Calculates and plots expressions, polynomials, integrals, matrices"));
    QCOMPARE(lines[3], QStringLiteral("'") + QString(62, QLatin1Char('-')));
    QCOMPARE(window_->Output()->toPlainText(), QStringLiteral("- - -"));
    double value = 0;
    trx_cli::e_eval("a", &value, 1);
    QVERIFY(trx_cli::GetE_Error() != -1);  // the variable is gone
  }

  void inputFileButtons() {
    window_->Input()->setPlainText(QStringLiteral("kept"));
    QTest::mouseClick(Button(16), Qt::LeftButton);  // no Input.txt yet
    QCOMPARE(messages_, std::vector<std::string>{"Corvane: Error: can't read the Input.txt file."});
    QCOMPARE(window_->Input()->toPlainText(), QStringLiteral("kept"));

    window_->Input()->setPlainText(QStringLiteral("Expr = 1\nExpr = 2"));
    QTest::mouseClick(Button(17), Qt::LeftButton);
    window_->Input()->clear();
    QTest::mouseClick(Button(16), Qt::LeftButton);
    QCOMPARE(window_->Input()->toPlainText(), QStringLiteral("Expr = 1\nExpr = 2"));

    Write("InOut/Synt&Samp.txt", "'' samples\r\nExpr = 3\r\n");
    window_->Output()->setPlainText(QStringLiteral("old"));
    QTest::mouseClick(Button(11), Qt::LeftButton);
    QCOMPARE(window_->Input()->toPlainText(), QStringLiteral("'' samples\nExpr = 3\n"));
    QCOMPARE(window_->Output()->toPlainText(), QString());

    messages_.clear();
    QTest::mouseClick(Button(12), Qt::LeftButton);  // the dialog cancelled
    QCOMPARE(messages_, std::vector<std::string>{"Corvane: Operation cancelled by user."});
    Write("chosen.txt", "Expr = 4");
    chosen_file_ = directory_ + "chosen.txt";
    QTest::mouseClick(Button(12), Qt::LeftButton);
    QCOMPARE(window_->Input()->toPlainText(), QStringLiteral("Expr = 4"));
  }

  void pickFileInsertsTheName() {
    window_->Input()->setPlainText(QStringLiteral("ExprF = "));
    window_->Input()->moveCursor(QTextCursor::End);
    chosen_file_ = directory_ + "InOut/e.txt";
    answer_ = true;
    QTest::mouseClick(Button(18), Qt::LeftButton);
    QCOMPARE(questions_,
             std::vector<std::string>{"Corvane Question: Path relative to program location?"});
    QCOMPARE(window_->Input()->toPlainText(), QStringLiteral("ExprF = InOut/e.txt"));
    answer_ = false;
    window_->Input()->undo();
    QTest::mouseClick(Button(18), Qt::LeftButton);
    QCOMPARE(window_->Input()->toPlainText(),
             QStringLiteral("ExprF = ") + QString::fromStdString(directory_ + "InOut/e.txt"));
    answer_ = true;
  }

  void lineNumbersFollowTheirBoxes() {
    QString script;
    for (int i = 1; i <= 60; ++i) script += QStringLiteral("Expr = %1\n").arg(i);
    window_->Input()->setPlainText(script);
    QTest::mouseClick(Button(8), Qt::LeftButton);
    const QStringList numbers = window_->InputNumbers()->toPlainText().split(QLatin1Char('\n'));
    QCOMPARE(numbers.size(), 61);
    QCOMPARE(numbers.last(), QStringLiteral("61"));
    QCOMPARE(window_->OutputNumbers()->document()->blockCount(),
             window_->Output()->document()->blockCount());
    for (QPlainTextEdit* box : {window_->Input(), window_->Output()}) {
      box->verticalScrollBar()->setValue(25);
      QApplication::processEvents();
    }
    QCOMPARE(window_->InputNumbers()->verticalScrollBar()->value(), 25);
    QCOMPARE(window_->OutputNumbers()->verticalScrollBar()->value(), 25);
    QCOMPARE(window_->InputNumbers()->cursorForPosition(QPoint(2, 2)).blockNumber(), 25);
  }

  void theInputIsColouredAsTyped() {
    Type(QStringLiteral("expr = sin(x) ' angle"));
    const QTextBlock block = window_->Input()->document()->firstBlock();
    const auto colour_at = [&block](int pos) {
      QTextCharFormat format;
      for (const QTextLayout::FormatRange& r : block.layout()->formats()) {
        if (pos >= r.start && pos < r.start + r.length) format = r.format;
      }
      return std::make_pair(format.foreground().color(), format.fontWeight() == QFont::Bold);
    };
    QCOMPARE(colour_at(0), std::make_pair(QColor(0, 0, 255), true));        // expr
    QCOMPARE(colour_at(7), std::make_pair(QColor(103, 103, 255), false));   // sin
    QCOMPARE(colour_at(11), std::make_pair(QColor(255, 68, 0), false));     // (x)
    QCOMPARE(colour_at(18), std::make_pair(QColor(182, 182, 182), false));  // ' angle
  }

  void inLineHelpFollowsTheCursor() {
    window_->Input()->setPlainText(QStringLiteral("Plot(0; x; 1; 10) = cos(x)"));
    QTextCursor cursor = window_->Input()->textCursor();
    cursor.setPosition(2);
    window_->Input()->setTextCursor(cursor);
    QTest::keyClick(window_->Input(), Qt::Key_Left);  // the cursor stays on Plot
    std::string plot_help = txthl::HelpText(txthl::Keywords()[12]);
    std::erase(plot_help, '\r');
    QCOMPARE(Help(), plot_help);
    QVERIFY(window_->Help()->toPlainText().contains(QLatin1Char('\n')));
    cursor.setPosition(22);
    window_->Input()->setTextCursor(cursor);
    QTest::keyClick(window_->Input(), Qt::Key_Right);
    QCOMPARE(Help(), std::string("Function: COS"));
    // Typing shows the help of the keyword being written.
    window_->Input()->setPlainText(QString());
    Type(QStringLiteral("Expr "));
    QVERIFY(Help().rfind("'Expr ' : calculate result", 0) == 0);
  }

  void theLayoutKeepsEveryTextReadable() {
    for (QAbstractButton* button : window_->findChildren<QAbstractButton*>()) {
      QString text = button->text();
      text.replace(QStringLiteral("&&"), QStringLiteral("&"));
      const bool indicator = qobject_cast<QPushButton*>(button) == nullptr;
      QVERIFY2(QFontMetrics(button->font()).horizontalAdvance(text) <=
                   button->width() - (indicator ? 20 : 4),
               qPrintable(text));
    }
    QCOMPARE(window_->size(), QSize(805, 683));
    QCOMPARE(Button(11)->text(), QStringLiteral("Syntax && Samples"));
    QCOMPARE(Button(8)->toolTip(), QStringLiteral("Evaluate expressions in the Input textbox"));
    QCOMPARE(window_->Input()->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(window_->Help()->toPlainText(), QStringLiteral("In line help"));
  }

  // The numbered controls, as the window's table lists them.
  void everyControlHasItsNumber_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("text");
    const struct {
      int number;
      const char* type;
      const char* text;
    } controls[] = {
        {W::kEvaluate, "QPushButton", "Evaluate"},
        {W::kMessages, "QLabel", "Messages"},
        {W::kClearAll, "QPushButton", "Clear all"},
        {W::kSyntaxSamples, "QPushButton", "Syntax && Samples"},
        {W::kOpenFile, "QPushButton", "Open file..."},
        {W::kAbout, "QPushButton", "About"},
        {W::kAboutLibrary, "QPushButton", "About DLL"},
        {W::kEnd, "QPushButton", "End"},
        {W::kLoadInput, "QPushButton", "Load Input file"},
        {W::kSaveInput, "QPushButton", "Save Input file"},
        {W::kPickFile, "QPushButton", "Pick File..."},
        {W::kSettings, "QGroupBox", "Special settings:"},
        {W::kResetParser, "QPushButton", "Reset Equation Parser"},
        {W::kNoMessages, "QRadioButton", "No Messages (=0)"},
        {W::kErrorMessages, "QRadioButton", "Show Error Messages (=1)"},
        {W::kDebugMessages, "QRadioButton", "Show Debug Messages (=2)"},
        {W::kAllMessages, "QRadioButton", "Show All Messages (=3)"},
        {W::kDecimals, "QLineEdit", "4"},
        {W::kScientific, "QCheckBox", "sci format"},
    };
    int expected = 8;
    for (const auto& c : controls) {
      QCOMPARE(c.number, expected++);  // 8 to 26, none left out
      QTest::newRow(c.text) << c.number << QString::fromUtf8(c.type) << QString::fromUtf8(c.text);
    }
  }
  void everyControlHasItsNumber() {
    QFETCH(int, number);
    QFETCH(QString, type);
    QFETCH(QString, text);
    QWidget* control = window_->Control(number);
    QVERIFY(control != nullptr);
    QCOMPARE(QString::fromUtf8(control->metaObject()->className()), type);
    QString shown;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) shown = button->text();
    if (auto* label = qobject_cast<QLabel*>(control)) shown = label->text();
    if (auto* box = qobject_cast<QGroupBox*>(control)) shown = box->title();
    if (auto* line = qobject_cast<QLineEdit*>(control)) shown = line->text();
    QCOMPARE(shown, text);
    QVERIFY(window_->Control(7) == nullptr);
    QVERIFY(window_->Control(27) == nullptr);
  }

  void theSciBoxWritesExponents() {
    window_->Input()->setPlainText(QStringLiteral("Expr = 1.5e-7"));
    window_->Scientific()->setChecked(true);
    QTest::mouseClick(Button(8), Qt::LeftButton);
    QVERIFY(window_->Output()->toPlainText().contains(QStringLiteral("Number = 1.5000E-07\n")));
  }

  void theInputSelectsTheLineOfAPlacedError() {
    struct Case {
      const char* script;
      QString selected;  // "" when the cursor goes back to the top
    };
    const Case cases[] = {
        {"Expr = 1+1\nExpr = 2*zz\nExpr = sqrtt(2)\n", QStringLiteral("Expr = 2*zz")},
        {"Expr = 1/0\n' a comment\nExpr = (1+2\n", QStringLiteral("Expr = (1+2")},
        {"Expr = 1/0\nExpr = 2\n", QString()},
    };
    for (const Case& c : cases) {
      window_->Input()->setPlainText(QString::fromUtf8(c.script));
      QTest::mouseClick(Button(8), Qt::LeftButton);
      const QTextCursor cursor = window_->Input()->textCursor();
      QCOMPARE(cursor.selectedText(), c.selected);
      if (c.selected.isEmpty()) QCOMPARE(cursor.position(), 0);
    }
  }

  void theOutputIsReadOnlyButSelectable() {
    window_->Input()->setPlainText(QStringLiteral("Expr = 6*7"));
    QTest::mouseClick(Button(8), Qt::LeftButton);
    const QString before = window_->Output()->toPlainText();
    QTest::keyClicks(window_->Output(), QStringLiteral("typed"));
    QTest::keyClick(window_->Output(), Qt::Key_Backspace);
    QCOMPARE(window_->Output()->toPlainText(), before);
    QTest::keyClick(window_->Output(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(window_->Output(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), before);
  }

  // Both lines of a keyword's help show whole, between the two boxes.
  void theHelpShowsBothLines() {
    window_->Input()->setPlainText(QStringLiteral("Plot(0; x; 1; 10) = cos(x)"));
    QTest::keyClick(window_->Input(), Qt::Key_Right);
    QPlainTextEdit* help = window_->Help();
    QCOMPARE(help->document()->blockCount(), 2);
    QCOMPARE(help->pos(), QPoint(100, 297));
    QVERIFY(help->geometry().bottom() < window_->Output()->geometry().top());
    QTextCursor end(help->document());
    end.movePosition(QTextCursor::End);
    QVERIFY(help->cursorRect(end).bottom() < help->viewport()->height());
    const QFontMetrics metrics(help->font());
    for (const QString& line : help->toPlainText().split(QLatin1Char('\n'))) {
      QVERIFY2(metrics.horizontalAdvance(line) <= help->viewport()->width(), qPrintable(line));
    }
  }

  // Evaluate without a server: one block and the Messages field say so at
  // once, whole; no plot window opens.
  void evaluateWithoutAServerSaysSoOnce() {
    trx::Disconnect();
    window_->Input()->setPlainText(QStringLiteral("Expr = 1\nPlot(0; x; 1; 10) = x"));
    QTest::mouseClick(Button(8), Qt::LeftButton);
    const QString text = QStringLiteral(
        "Not connected to a server: press Connect / Listen in the Client/Server window");
    QCOMPARE(window_->Output()->toPlainText(), QStringLiteral("===>  ") + text + QLatin1Char('\n'));
    QLabel* messages = window_->Messages();
    QCOMPARE(messages->text(), text);
    const QRect needed =
        QFontMetrics(messages->font())
            .boundingRect(QRect(0, 0, messages->width() - 6, 1000), Qt::TextWordWrap, text);
    QVERIFY(needed.height() <= messages->height() - 4);
    QVERIFY(!messages->geometry().intersects(window_->Control(W::kSettings)->geometry()));
    QVERIFY(window_->Plots().Open().empty());
    QCOMPARE(window_->ConnectionStatus(), std::string("not connected"));

    QVERIFY(trx::InitClient("127.0.0.1", server_->Port()) != 0);
    QTest::mouseClick(Button(8), Qt::LeftButton);
    QCOMPARE(messages->geometry(), QRect(5, 585, 115, 20));
  }

  void aboutBoxes() {
    QTest::mouseClick(Button(13), Qt::LeftButton);
    QDialog* about = window_->findChild<QDialog*>();
    QVERIFY(about != nullptr);
    QCOMPARE(about->windowTitle(), QStringLiteral("About Corvane"));
    auto* dll_info = about->findChildren<QPushButton*>().at(1);
    QCOMPARE(dll_info->text(), QStringLiteral("DLL info"));
    QTest::mouseClick(dll_info, Qt::LeftButton);
    QCOMPARE(messages_.size(), 1u);
    QVERIFY(messages_[0].rfind("About Tarnix.dll: ", 0) == 0);
    QTest::mouseClick(Button(14), Qt::LeftButton);
    QCOMPARE(messages_.size(), 2u);
  }

  void escapeEndsTheProgram() {
    int closed = 0;
    window_->SetOnClose([&closed] { ++closed; });
    QTest::keyClick(window_->Input(), Qt::Key_Escape);
    QCOMPARE(closed, 1);
    QVERIFY(!window_->isVisible());
  }
};

}  // namespace

QTEST_MAIN(MainWindowTest)
#include "test_main_window.moc"
