// Corvane: the user's program. Every library operation is a remote call to
// a trx_Server. With --run it runs a script without a window; otherwise it
// opens its windows.
#include <unistd.h>

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "../AuxFunct/aux_funct.h"
#include "../AuxFunct/text.h"
#include "../net/trx_cli/trx_cli.h"
#include "../net/trx_cs/client.h"
#include "aPlot/plot_image_qt.h"
#include "batch.h"
#include "command_help.h"
#include "desktop_qt.h"
#include "files.h"
#include "interpreter.h"
#include "repl.h"

namespace {

constexpr const char* kUsage =
    "usage: Corvane [--run SCRIPT] [--repl] [--host H] [--port N] [--source ADDR]\n"
    "               [--decimals D] [--format F] [--plot-png DIR] [--log] [--list-functions]\n"
    "\n"
    "Without --run: the main window and the Client/Server window; Corvane connects\n"
    "at once to a server at --host and --port (from --source when given) if one\n"
    "answers, otherwise Connect / Listen does.\n"
    "\n"
    "With --run: runs a script against a trx_Server: one command per line (Expr = 1+2,\n"
    "Var = a; 5, Matr = [A]; 2; 2; 1; 2; 3; 4, Integrate(0; 1; 100; trap; x) = x^2,\n"
    "Plot(0; x; 6.28; 100; [sin.txt]) = sin(x), ...); see InOut/Synt&Samp.txt.\n"
    "\n"
    "  --run SCRIPT    the script file (- for standard input); its result blocks\n"
    "                  go to standard output, the Messages text (\"No errors\",\n"
    "                  \"N errors found\") to standard error\n"
    "  --repl          a prompt instead: one line at a time, each a command or an\n"
    "                  expression, with its block printed at once (help lists the\n"
    "                  commands); plots write their data file, no window\n"
    "  --host H        the server's host, default 127.0.0.1\n"
    "  --port N        the server's port, default 6832\n"
    "  --source ADDR   connect from this local IPv4 address (any 127.x.y.z is\n"
    "                  local), so that a proxy balancing by source address\n"
    "                  tells this client from others; default: the system's choice\n"
    "  --decimals D    decimals of the numbers written, 0 to 10, default 4\n"
    "  --format F      fixed (the default): numbers in fixed point, 0.0000; sci:\n"
    "                  numbers below 10^-D or from 10^15 on in exponent form,\n"
    "                  1.5000E-07 (the window's \"sci format\" box)\n"
    "  --plot-png DIR  with --run: draw each plot into DIR/aPlot_N.png as its\n"
    "                  window would show it\n"
    "  --log           copy the client's message log to standard error\n"
    "  --list-functions  print the functions and constants of expressions and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "Relative file names of the file commands lie in InOut/ under the current\n"
    "directory; data files of Plot lines in the current directory.\n"
    "Exit status: 0 no errors, 1 errors counted, 2 no server reached or a usage\n"
    "or file problem.\n";

struct Options {
  std::string script;
  bool repl = false;
  std::string host = "127.0.0.1";
  int port = 6832;
  std::string source;
  std::string decimals = "4";
  std::string plot_png;
  bool log = false;
  corvane::NumberFormat format = corvane::NumberFormat::Fixed;
};

int Usage(const char* problem) {
  std::fprintf(stderr, "Corvane: %s\n\n%s", problem, kUsage);
  return 2;
}

// 0 to go on; otherwise 1 + the exit status.
int ParseOptions(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(("\n" + corvane::CommandsHelp()).c_str(), stdout);
      return 1;
    }
    if (arg == "--list-functions") {
      std::fputs(corvane::FunctionsList().c_str(), stdout);
      return 1;
    }
    if (arg == "--version") {
      std::printf("Corvane %s\n", aux::VersionText().c_str());
      return 1;
    }
    if (arg == "--log") {
      o.log = true;
      continue;
    }
    if (arg == "--repl") {
      o.repl = true;
      continue;
    }
    if (arg != "--run" && arg != "--host" && arg != "--port" && arg != "--source" &&
        arg != "--decimals" && arg != "--plot-png" && arg != "--format") {
      return 1 + Usage(("unknown option " + arg).c_str());
    }
    if (!has_value) return 1 + Usage(("missing value after " + arg).c_str());
    const std::string value = argv[++i];
    if (arg == "--run") {
      o.script = value;
    } else if (arg == "--host") {
      o.host = value;
    } else if (arg == "--source") {
      o.source = value;
    } else if (arg == "--port") {
      const std::optional<int32_t> port = aux::DigitsOf(value);
      if (!port || *port < 1 || *port > 65535) return 1 + Usage(("bad port: " + value).c_str());
      o.port = *port;
    } else if (arg == "--decimals") {
      // Numbers cross the wire with ten decimals: more would be invented.
      const std::optional<int32_t> decimals = aux::DigitsOf(value);
      if (!decimals || value.size() > 2 || *decimals > corvane::kMaxDecimals) {
        return 1 + Usage("--decimals takes a whole number from 0 to 10");
      }
      o.decimals = value;
    } else if (arg == "--format") {
      if (!corvane::ParseNumberFormat(value, o.format)) {
        return 1 + Usage("--format takes fixed or sci");
      }
    } else {
      o.plot_png = value;
    }
  }
  return 0;
}

std::string CurrentDirectory() {
  char buf[4096];
  return ::getcwd(buf, sizeof buf) != nullptr ? std::string(buf) + "/" : std::string("./");
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (const int stop = ParseOptions(argc, argv, options); stop != 0) return stop - 1;
  // Checked before anything starts: later it would read as "no server".
  if (!options.source.empty()) {
    if (const std::string problem = trx::SourceAddressProblem(options.source); !problem.empty()) {
      std::fprintf(stderr, "Corvane: can't connect from %s: %s\n", options.source.c_str(),
                   problem.c_str());
      return 2;
    }
  }
  if (options.repl) {
    if (!options.script.empty() || !options.plot_png.empty()) {
      return Usage("--repl goes with neither --run nor --plot-png");
    }
    return corvane::RunPrompt({options.host, options.port, options.source, options.decimals,
                               options.format, options.log});
  }
  if (options.script.empty()) {
    if (!corvane::DisplayAvailable()) {
      std::fprintf(stderr,
                   "Corvane: no display to open the windows on; run a script with --run SCRIPT\n"
                   "(see --help).\n");
      return 2;
    }
    corvane::DesktopOptions desktop;
    desktop.host = options.host;
    desktop.port = options.port;
    desktop.source = options.source;
    desktop.decimals = options.decimals;
    desktop.scientific = options.format == corvane::NumberFormat::Scientific;
    desktop.log = options.log;
    return corvane::RunDesktop(argc, argv, desktop);
  }
  const bool from_input = options.script == "-";
  const std::optional<std::string> script =
      from_input ? corvane::ReadWholeStream(stdin) : corvane::ReadWholeFile(options.script);
  if (!script) {
    std::fprintf(stderr, "Corvane: can't read the script %s\n",
                 from_input ? "from standard input (at most 16 MiB)" : options.script.c_str());
    return 2;
  }
  if (from_input) options.script = "standard input";
  // A binary file run as a script would give a block of nonsense per line,
  // or none at all: refused before any call.
  if (const std::optional<std::size_t> at = corvane::ForeignByte(*script)) {
    char hex[3] = {};
    const auto byte = static_cast<unsigned char>((*script)[*at]);
    hex[0] = "0123456789ABCDEF"[byte >> 4];
    hex[1] = "0123456789ABCDEF"[byte & 15];
    std::fprintf(stderr, "Corvane: %s is not a script: it holds the byte 0x%s at offset %zu\n",
                 options.script.c_str(), hex, *at);
    return 2;
  }
  // Plot pictures need fonts, hence a GUI application, which needs no display.
  std::unique_ptr<QGuiApplication> painter_app;
  if (!options.plot_png.empty()) {
    if (!corvane::DisplayAvailable()) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    painter_app = std::make_unique<QGuiApplication>(argc, argv);
    std::error_code error;
    std::filesystem::create_directories(options.plot_png, error);
  }

  corvane::RouteMessagesToStderr(options.log);

  trx::LogMsg("Library TarnixT.dll loaded succesfully.", "");
  trx::LogMsg("Network initialized !", "");
  corvane::SetProgramDirectory(CurrentDirectory());
  if (trx::InitClient(options.host, options.port, options.source) == 0) {
    std::fprintf(stderr, "Corvane: no server at %s:%d\n", options.host.c_str(), options.port);
    return 2;
  }
  trx_cli::ShowMsgs(0);

  corvane::BatchInterface ui(stdout, stderr);
  if (painter_app) {
    ui.on_plot = [dir = options.plot_png,
                  pictures = std::make_shared<corvane::PlotPictures>()](const corvane::Plot& plot) {
      const std::string path = dir + "/aPlot_" + std::to_string(plot.number) + ".png";
      if (!pictures->Save(plot, path)) {
        std::fprintf(stderr, "Corvane: can't write the plot picture %s\n", path.c_str());
      }
    };
  }
  corvane::Interpreter interpreter(ui);
  interpreter.SetNumberFormat(options.format);
  const int errors = interpreter.Run(*script, options.decimals);

  trx::LogMsg("Program will end.", "TerminateProgram");
  trx::Disconnect();
  return errors == 0 ? 0 : 1;
}
