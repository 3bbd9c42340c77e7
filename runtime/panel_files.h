// Where panel files are found: the panel folder and names matched without regard to case.
#pragma once

#include <string>

namespace corvane::model {

// Finds the file for a name given to LoadPanel / LoadMenuBar: a relative name below the panel
// folder (each part matched without regard to letter case), an absolute path with its last
// part matched so. False when there is no such file; `where` then names the place searched.
bool ResolvePanelFile(const std::string& name, std::string* path, std::string* where);

// Reads a whole panel file (at most a few megabytes). False with the reason on failure.
bool ReadPanelFile(const std::string& path, std::string* bytes, std::string* reason);

} // namespace corvane::model
