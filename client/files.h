// The text files of Corvane: the file layer of the script commands, the
// Input box files, and the program directory they are found in.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// The current directory at start, with a trailing "/"; relative names are
// taken against it. Set once at start-up (tests set their own).
void SetProgramDirectory(const std::string& directory);
const std::string& ProgramDirectory();
// ProgramDirectory() + "InOut/".
std::string InOutDirectory();

// A name that begins with "/" is used as it is; any other lies in base.
std::string Resolve(const std::string& name, const std::string& base);

// Output file names may be written in square brackets, which go.
inline std::string WithoutBrackets(std::string text) {
  std::erase(text, '[');
  std::erase(text, ']');
  return text;
}

// The file layer of the script commands. "fileinp": the file's lines that
// do not begin with an apostrophe, joined without separator (a leading
// UTF-8 byte-order mark skipped). "fileout": writes text and returns "".
// Relative names lie in InOut/; failures are reported in message boxes
// titled "Corvane".
std::string FileText(const std::string& name, const std::string& mode,
                     const std::string& text = "");
// "fileout" that tells whether the file was written.
bool WriteOutFile(const std::string& name, const std::string& text);

// The offset of the first byte that no script text holds (a control byte
// other than tab, LF, VT, FF, CR and the end-of-file mark 0x1A), if any.
std::optional<std::size_t> ForeignByte(std::string_view text);

// The Input box files: mode 0 InOut/Input.txt, 3 InOut/Synt&Samp.txt; a
// file that cannot be read is reported and gives nothing.
std::optional<std::string> LoadInputFile(int mode);
// Any file chosen by the user (mode 4).
std::optional<std::string> LoadChosenFile(const std::string& path);
// Mode 1: writes InOut/Input.txt.
bool SaveInputFile(const std::string& text);

// Reads a whole file; nothing when it cannot be read or is beyond 16 MiB.
std::optional<std::string> ReadWholeFile(const std::string& path);
// The same for a stream read to its end (standard input).
std::optional<std::string> ReadWholeStream(std::FILE* in);
bool WriteWholeFile(const std::string& path, const std::string& text);

}  // namespace corvane
