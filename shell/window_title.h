// The main panel's title: the software name and the version of the program's own executable.
#pragma once

#include <string>

// "<softwareName> - a.b.c.d" with the file version of the executable named by the program
// folder, "/" and the file name of argv0; the software name alone when that file carries no
// version block (or the folder cannot be found).
std::string MainWorking_TitleText(const std::string& softwareName, const char* argv0);
