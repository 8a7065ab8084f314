// The program's direct uses of the operating system: opening a document with
// its associated program, the running executable's path, starting a program
// and waiting for it, and showing a document in the word processor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Opens File with the program the desktop associates with it; a missing file
// is reported in a box titled "win_Openfile" and nothing is started.
void win_Openfile(const std::string& File);

// The full path of the running program's executable, however long.
std::string App_ExeFullName();

// Runs Command and returns when it has ended. The command line is split into
// a program and its arguments (double quotes group words, as on a command
// line); no shell is involved. WindowStyle has no meaning here. A program
// that cannot be started raises std::system_error.
void Shell_And_Wait(const std::string& Command, int16_t WindowStyle);

// Shows File in the word processor (the desktop's program for its type).
void Word_OpenDocument(const std::string& File);

namespace tessawin {
// Splits a command line into words: blanks separate, double quotes group and
// are dropped, a doubled quote inside quotes stands for one.
std::vector<std::string> SplitCommandLine(const std::string& command);
}  // namespace tessawin
