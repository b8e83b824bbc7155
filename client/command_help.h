// The texts of Corvane --help and --list-functions, read from the keyword
// table that colours the Input box and gives its in-line help, and from the
// interpreter's command table.
#pragma once

#include <string>

namespace corvane {

// "Script commands:" and, for each command, its syntax and a one-line
// summary; every command of the interpreter is there.
std::string CommandsHelp();

// The built-in functions and operators, then the constants with their values.
std::string FunctionsList();

}  // namespace corvane
