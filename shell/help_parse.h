// The number-list tokenizer: splits a text at a one-byte separator and yields the integer value
// of each token (values mode) or the position after each separator (positions mode).
#pragma once

#include <cstdint>

struct ParseList {
    int32_t count = 0;        // entries produced by the last call
    int32_t* items = nullptr; // S + 3 entries (S = separators in the text), unused ones -1;
                              // owned by the caller, released with FreeHelpParseBuf
};

constexpr char HELP_PARSE_POSITIONS = 1; // mode: positions; any other value: values

// Fills list with a new array (a previous one is not released: it still belongs to the caller)
// and returns the number of entries, also stored in list->count. The text is left unchanged.
//  - values mode: the decimal value of every token after the first separator; a separator at
//    the very end adds nothing, two in a row give a token of value 0;
//  - positions mode: index + 1 of every separator; token i (1..count-1) is the bytes from
//    items[i-1] up to, not including, items[i] - 1.
int32_t HelpParseBufMore(ParseList* list, const char* text, char separator, char mode);
// Values of the "_"-separated numbers of a constant name such as "GRAPHUI_0_1".
int32_t HelpParseBuf(ParseList* list, const char* text);
// Releases list->items; count and the pointer are left as they are.
void FreeHelpParseBuf(ParseList* list);
