#include "files.h"

#include <fstream>
#include <sstream>

#include "../AuxFunct/text.h"
#include "../net/trx_cs/trx_cs.h"

namespace corvane {
namespace {

constexpr std::size_t kMaxFile = std::size_t{16} << 20;
constexpr const char* kCrLf = "\r\n";

std::string& Directory() {
  static std::string directory = "./";
  return directory;
}

void Box(const std::string& text) { trx::MessageBox(text, "Corvane"); }

}  // namespace

void SetProgramDirectory(const std::string& directory) {
  Directory() = directory.empty() || directory.back() == '/' ? directory : directory + "/";
}

const std::string& ProgramDirectory() { return Directory(); }

std::string InOutDirectory() { return ProgramDirectory() + "InOut/"; }

std::string Resolve(const std::string& name, const std::string& base) {
  return !name.empty() && name[0] == '/' ? name : base + name;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::size_t>(size) > kMaxFile) return std::nullopt;
  in.seekg(0);
  std::string text(static_cast<std::size_t>(size), '\0');
  in.read(text.data(), size);
  return in ? std::optional<std::string>(text) : std::nullopt;
}

std::optional<std::string> ReadWholeStream(std::FILE* in) {
  std::string text;
  char buffer[65536];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0) {
    // A pipe has no size to check first: the limit is checked as it fills.
    if (text.size() + n > kMaxFile) return std::nullopt;
    text.append(buffer, n);
  }
  if (std::ferror(in)) return std::nullopt;
  return text;
}

bool WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.flush();
  return static_cast<bool>(out);
}

bool WriteOutFile(const std::string& name, const std::string& text) {
  const std::string path = Resolve(name, InOutDirectory());
  if (WriteWholeFile(path, text)) return true;
  Box("Error: can't write the file." + std::string(kCrLf) + path);
  return false;
}

std::optional<std::size_t> ForeignByte(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool control = byte < 0x20 || byte == 0x7F;
    if (control && byte != '\t' && byte != '\n' && byte != '\v' && byte != '\f' && byte != '\r' &&
        byte != 0x1A) {
      return i;
    }
  }
  return std::nullopt;
}

std::string FileText(const std::string& name, const std::string& mode, const std::string& text) {
  const std::string path = Resolve(name, InOutDirectory());
  const std::string m = aux::Lower(mode);
  if (m == "fileout") {
    WriteOutFile(name, text);
    return {};
  }
  if (m != "fileinp") return {};
  const std::optional<std::string> content = ReadWholeFile(path);
  if (!content) {
    Box("Error: Couldn't open the file!" + std::string(kCrLf) + path);
    return {};
  }
  // Lines that begin with an apostrophe are comments; the rest are joined.
  std::string joined;
  std::istringstream lines(std::string(aux::WithoutByteOrderMark(*content)));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (aux::TrimView(line, aux::kSpaceTab).starts_with('\'')) continue;
    joined += line;
  }
  return joined;
}

std::optional<std::string> LoadInputFile(int mode) {
  const std::string name = mode == 3 ? "Synt&Samp.txt" : "Input.txt";
  const std::string path = InOutDirectory() + name;
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) {
    Box(mode == 3
            ? "Error: can't read the Synt&Samp.txt file." + std::string(kCrLf) + "file: " + path
            : std::string("Error: can't read the Input.txt file."));
  }
  return text;
}

std::optional<std::string> LoadChosenFile(const std::string& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) Box("Error: can't read the file." + std::string(kCrLf) + "file: " + path);
  return text;
}

bool SaveInputFile(const std::string& text) {
  if (WriteWholeFile(InOutDirectory() + "Input.txt", text)) return true;
  Box("Error: can't write the Input.txt file.");
  return false;
}

}  // namespace corvane
