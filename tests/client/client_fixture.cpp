#include "client_fixture.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "client.h"
#include "files.h"
#include "trx_cli.h"

namespace client_test {

std::unique_ptr<server_test::ServerProcess> ScriptTest::server_;

void ScriptTest::SetUpTestSuite() { server_ = std::make_unique<server_test::ServerProcess>(); }

void ScriptTest::TearDownTestSuite() {
  trx::Disconnect();
  server_.reset();
}

void ScriptTest::SetUp() {
  trx::SetLogSink([this](const std::string& line) { log_.push_back(line); });
  trx::SetMessageBox([this](const std::string& text, const std::string& title) {
    boxes_.push_back(title + ": " + text);
  });
  trx::InitClient("127.0.0.1", server_->Port());
  ASSERT_NE(trx::Client().ClientConnected, 0);
  trx_cli::ReSetDuZuradi();
  char pattern[] = "/tmp/corvane_test_XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  directory_ = std::string(pattern) + "/";
  std::filesystem::create_directory(directory_ + "InOut");
  corvane::SetProgramDirectory(directory_);
}

void ScriptTest::TearDown() {
  std::filesystem::remove_all(directory_);
  trx::SetLogSink(nullptr);
  trx::SetMessageBox(nullptr);
}

std::string ScriptTest::Run(const std::string& script, const std::string& decimals) {
  corvane::Interpreter interpreter(ui_);
  interpreter.Run(script, decimals);
  return interpreter.Output();
}

void ScriptTest::WriteInOut(const std::string& name, const std::string& text) {
  std::ofstream(directory_ + "InOut/" + name, std::ios::binary) << text;
}

std::string ScriptTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Block(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text + "\r\n";
}

}  // namespace client_test
