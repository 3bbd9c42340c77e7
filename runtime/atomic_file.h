// Whole-file reading and atomic replacement: the new content goes to a temporary file in the
// same folder, which is flushed to disk and then renamed over the old file, so a reader sees
// either the old or the new file, never a half-written one.
#pragma once

#include <string>

enum class ReadResult { Ok, Missing, Failed };
ReadResult ReadWholeFile(const std::string& path, std::string* content);

// Only regular files are read (anything else is Failed) and replaced.
// Creates the file when missing (permissions from the process's umask); an existing file keeps
// its permissions. A symbolic link is followed: its target is replaced. Returns false on failure,
// leaving the old file and no temporary file behind.
bool ReplaceFileAtomically(const std::string& path, const std::string& content);
