#include "shell/help_parse.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The standard decimal conversion: leading blanks, optional sign, digits up to the first
// other byte; no digits give 0. Out-of-range values saturate, as with a 32-bit long.
int32_t tokenValue(const char* text, std::size_t begin, std::size_t end) {
    std::string token(text + begin, end - begin);
    long value = std::strtol(token.c_str(), nullptr, 10);
    return static_cast<int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

} // namespace

int32_t HelpParseBufMore(ParseList* list, const char* text, char separator, char mode) {
    if (list == nullptr) return 0;
    const std::size_t length = text != nullptr ? std::strlen(text) : 0;
    const std::size_t separators =
        static_cast<std::size_t>(std::count(text, text + length, separator));

    const std::size_t entries = separators + 3;
    auto* items = static_cast<int32_t*>(std::malloc(entries * sizeof(int32_t)));
    list->items = items;
    list->count = 0;
    if (items == nullptr) return 0;
    std::fill(items, items + entries, -1);
    if (length == 0) return 0;

    int32_t count = 0;
    const bool positions = mode == HELP_PARSE_POSITIONS;
    bool separatorSeen = false;
    std::size_t tokenStart = 0;
    for (std::size_t j = 0; j < length; ++j) {
        if (text[j] != separator) continue;
        if (positions)
            items[count++] = static_cast<int32_t>(j + 1);
        else if (separatorSeen) // the text before the first separator is never converted
            items[count++] = tokenValue(text, tokenStart, j);
        separatorSeen = true;
        tokenStart = j + 1;
    }
    if (!positions && separatorSeen && tokenStart < length)
        items[count++] = tokenValue(text, tokenStart, length);
    list->count = count;
    return count;
}

int32_t HelpParseBuf(ParseList* list, const char* text) {
    return HelpParseBufMore(list, text, '_', 0);
}

void FreeHelpParseBuf(ParseList* list) {
    if (list != nullptr) std::free(list->items);
}
