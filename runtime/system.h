// Platform services: time, the program's own path and version block, starting programs and
// opening documents.
#pragma once

#include <string>

// Wall-clock seconds since 1970-01-01 (UTC), with sub-second resolution.
int GetCurrentDateTime(double* seconds);
// Monotonic seconds for intervals.
double MonotonicSeconds();

// Full path of the running executable ("" when it cannot be read).
std::string GetExecutablePath();
// Overrides the executable path (tests that stand in for an installed program folder).
void SetExecutablePathForTesting(const std::string& path);

// The version block of an executable file: a record with the signature 0xFEEF04BD and the
// file version as two 32-bit words (most significant: major<<16 | minor; least significant:
// patch<<16 | build), stored in the ELF section "corvane_version" (runtime/version_block.h
// defines it). Returns true and the four parts when the file carries the block; false for a
// missing or unreadable file, one that is not a 64-bit ELF file of this machine, truncated
// headers, a missing section or a bad signature.
struct FileVersion {
    unsigned major = 0, minor = 0, patch = 0, build = 0;
};
bool ReadFileVersion(const std::string& executablePath, FileVersion* version);

// Starts a program detached from this one (no arguments but the path): in a session of its
// own, without this program's open files, not waited for. 0 on success, negative when it could
// not be started (a missing or not executable file).
int LaunchExecutable(const std::string& path);
// Opens a document, folder or web address with the desktop's default application (xdg-open).
// 0 on success, negative when no opener could be started.
int OpenDocumentInDefaultViewer(const std::string& documentOrAddress, int windowMode);
