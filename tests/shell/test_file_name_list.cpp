#include "shell/file_name_list.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileNameList, InitEmptiesTheRecord) {
    FileNameList list{7, 9, reinterpret_cast<char**>(0x1)};
    HelpFilesName_Init(&list);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.names, nullptr);
}

TEST(FileNameList, AddsCopiesUntilFull) {
    FileNameList list;
    HelpFilesName_Init(&list);
    ASSERT_NE(HelpFilesName_initTotalFiles(&list, 3), nullptr);
    EXPECT_EQ(list.capacity, 3);
    EXPECT_EQ(list.count, 0);

    std::string name = "DATA/spectrum_0.txt";
    EXPECT_EQ(HelpFilesName_AddFile(&list, name.c_str()), 0);
    name = "changed afterwards";
    EXPECT_EQ(HelpFilesName_AddFile(&list, "b"), 1);
    EXPECT_EQ(HelpFilesName_AddFile(&list, "c"), 2);
    EXPECT_EQ(HelpFilesName_AddFile(&list, "d"), -1);
    EXPECT_EQ(list.count, 3);
    EXPECT_STREQ(list.names[0], "DATA/spectrum_0.txt"); // a private copy
    EXPECT_STREQ(list.names[2], "c");
    HelpFilesName_Free(&list);
    EXPECT_EQ(list.names, nullptr);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 0);
}

TEST(FileNameList, CapacityZeroRefusesEveryName) {
    FileNameList list;
    HelpFilesName_Init(&list);
    HelpFilesName_initTotalFiles(&list, 0);
    EXPECT_EQ(HelpFilesName_AddFile(&list, "a"), -1);
    EXPECT_EQ(list.count, 0);
    HelpFilesName_Init(&list);
    EXPECT_EQ(HelpFilesName_AddFile(&list, "a"), -1); // no array at all
}

TEST(FileNameList, InitTotalFilesReleasesWhatTheListHeld) {
    FileNameList list;
    HelpFilesName_Init(&list);
    HelpFilesName_initTotalFiles(&list, 2);
    HelpFilesName_AddFile(&list, "old1");
    HelpFilesName_AddFile(&list, "old2");
    // The sanitizer build reports the old names if they are not released.
    char** array = HelpFilesName_initTotalFiles(&list, 5);
    EXPECT_EQ(array, list.names);
    EXPECT_EQ(list.count, 0);
    EXPECT_EQ(list.capacity, 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(HelpFilesName_AddFile(&list, "n"), i);
    EXPECT_EQ(HelpFilesName_AddFile(&list, "n"), -1);
    HelpFilesName_Free(&list);
}

TEST(FileNameList, NullArgumentsAreRefused) {
    FileNameList list;
    HelpFilesName_Init(&list);
    HelpFilesName_initTotalFiles(&list, 1);
    EXPECT_EQ(HelpFilesName_AddFile(&list, nullptr), -1);
    EXPECT_EQ(HelpFilesName_AddFile(nullptr, "a"), -1);
    EXPECT_EQ(HelpFilesName_initTotalFiles(nullptr, 3), nullptr);
    HelpFilesName_Free(nullptr);
    HelpFilesName_Init(nullptr);
    HelpFilesName_Free(&list);
}

} // namespace
