// A bounded list of file names; every stored name is a private copy owned by the list.
#pragma once

#include <cstdint>

struct FileNameList {
    int32_t count = 0;      // names stored, 0..capacity
    int32_t capacity = 0;   // names the array can hold
    char** names = nullptr; // capacity pointers, or null when the list has no array
};

// Empties the record without releasing anything (for a record that holds nothing yet).
void HelpFilesName_Init(FileNameList* list);
// Releases what the list holds, then makes room for n names (count 0). Returns the new array
// (null for n <= 0).
char** HelpFilesName_initTotalFiles(FileNameList* list, int32_t n);
// Stores a copy of name at index count and returns that index; -1 when the list is full (or
// the name is null), leaving the list unchanged.
int32_t HelpFilesName_AddFile(FileNameList* list, const char* name);
// Releases every name and the array; the list is then empty with capacity 0.
void HelpFilesName_Free(FileNameList* list);
