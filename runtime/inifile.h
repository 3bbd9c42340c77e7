// Configuration files in the key=value format with [sections], read and written with the
// private-profile behaviour: reads give defaults for a missing file, section or key; writes
// replace a key's value in place, add a missing key at the end of its section (a missing
// section at the end of the file), create the file when missing and keep every other line
// and comment as it was. A write goes to a temporary file that replaces the old one, so a
// reader never sees a half-written file. Section and key names match without regard to case.
// Lines starting with ";" are comments; a file that exists but cannot be read is never
// overwritten. Null pointers or a size below 1 give 0 without touching anything else.
#pragma once

#include <string>

// Copies the value (or the default) into out, at most size-1 bytes and a terminating zero.
// Returns the number of bytes copied.
int GetPrivateProfileString(const char* section, const char* key, const char* defaultValue,
                            char* out, int size, const char* file);
// The decimal integer at the start of the value (as strtol, limited to the int range), or the
// default when the key is missing or its value is empty.
int GetPrivateProfileInt(const char* section, const char* key, int defaultValue, const char* file);
// The section's lines "key=value", each ended by a zero byte, the list ended by a second zero.
// Lines that do not fit are left out. Returns the number of bytes written (without the last zero).
int GetPrivateProfileSection(const char* section, char* out, int size, const char* file);
// Returns 1 on success, 0 when the file could not be written. Texts that would change the file's
// structure are refused with 0: a line break anywhere, a key with "=" or starting with "[" or
// ";", a section name with "]", an empty section or key name.
int WritePrivateProfileString(const char* section, const char* key, const char* value,
                              const char* file);
