// The folder of the running executable, to which callers append the names of the files that
// lie beside the program ("/CRV_Config.ini").
#pragma once

constexpr int THIS_PATH_MIN_SIZE = 260;

// Fills buffer with the executable's path cut at its last "/" or "\" (the first character is
// never taken as the cut, so a path whose only separator is its first character stays whole).
// Returns buffer, or null when the buffer is null, smaller than 260 bytes, or the path cannot
// be obtained or does not fit.
char* GetThisPath(char* buffer, int size);
