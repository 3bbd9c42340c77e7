#include "shell/file_name_list.h"

#include <cstdlib>
#include <cstring>

void HelpFilesName_Init(FileNameList* list) {
    if (list == nullptr) return;
    list->names = nullptr;
    list->count = 0;
    list->capacity = 0;
}

char** HelpFilesName_initTotalFiles(FileNameList* list, int32_t n) {
    if (list == nullptr) return nullptr;
    HelpFilesName_Free(list);
    if (n <= 0) return nullptr;
    // Zeroed, so that every slot past count is null.
    list->names = static_cast<char**>(std::calloc(static_cast<std::size_t>(n), sizeof(char*)));
    list->capacity = list->names != nullptr ? n : 0;
    return list->names;
}

int32_t HelpFilesName_AddFile(FileNameList* list, const char* name) {
    if (list == nullptr || name == nullptr || list->names == nullptr ||
        list->count >= list->capacity)
        return -1;
    char* copy = strdup(name);
    if (copy == nullptr) return -1;
    list->names[list->count] = copy;
    return list->count++;
}

void HelpFilesName_Free(FileNameList* list) {
    if (list == nullptr) return;
    if (list->names != nullptr) {
        for (int32_t i = 0; i < list->capacity; ++i)
            std::free(list->names[i]);
        std::free(list->names);
    }
    HelpFilesName_Init(list);
}
