#include "runtime/popups.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

class Popups : public ::testing::Test {
  protected:
    void SetUp() override {
        SetPopupProvider(nullptr);
        ResetScriptedPopups();
    }
    void TearDown() override {
        SetPopupProvider(nullptr);
        ResetScriptedPopups();
    }
};

TEST_F(Popups, MessagesAndConfirmationsAreRecorded) {
    EXPECT_EQ(MessagePopup("Error", "Port is busy"), 0);
    ScriptPopupAnswer(1);
    EXPECT_EQ(ConfirmPopup("Save", "Overwrite?"), 1);
    EXPECT_EQ(ConfirmPopup("Save", "Again?"), 0); // nothing queued: no
    std::vector<ShownPopup> shown = TakeShownPopups();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].kind, "message");
    EXPECT_EQ(shown[0].title, "Error");
    EXPECT_EQ(shown[0].text, "Port is busy");
    EXPECT_EQ(shown[1].kind, "confirm");
    EXPECT_EQ(shown[2].text, "Again?");
    EXPECT_TRUE(TakeShownPopups().empty()); // taken
}

TEST_F(Popups, FileSelectionAnswersInOrder) {
    TempFolder folder;
    std::string existing = folder.file("log.csv");
    TempFolder::write(existing, "x");
    ScriptFileSelection(existing);
    ScriptFileSelection(folder.file("new.csv"));
    ScriptFileSelection("");
    std::string path = "unchanged";
    EXPECT_EQ(FileSelectPopupEx(folder.path(), "*.csv", "csv files(*.csv)", "Open log",
                                VAL_LOAD_BUTTON, false, false, &path),
              VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(path, existing);
    EXPECT_EQ(FileSelectPopupEx(folder.path(), "*.csv", "", "Save log", VAL_SAVE_BUTTON, false,
                                false, &path),
              VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(path, folder.file("new.csv"));
    EXPECT_EQ(FileSelectPopupEx("", "", "", "Cancelled", VAL_OK_BUTTON, false, false, &path),
              VAL_NO_FILE_SELECTED);
    EXPECT_EQ(path, "");
    EXPECT_EQ(FileSelectPopupEx("", "", "", "Nothing queued", VAL_OK_BUTTON, false, false, &path),
              VAL_NO_FILE_SELECTED);
    std::vector<ShownPopup> shown = TakeShownPopups();
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].kind, "fileSelect");
    EXPECT_EQ(shown[0].text, "csv files(*.csv)");
    EXPECT_EQ(shown[0].defaultFileSpec, "*.csv");
    EXPECT_EQ(shown[1].title, "Save log");
}

TEST_F(Popups, MultiFileSelection) {
    ScriptMultiFileSelection({"/a/1.txt", "/a/2.txt"});
    std::vector<std::string> paths{"old"};
    EXPECT_EQ(
        MultiFileSelectPopupEx("/a", "*.txt", "txt files(*.txt)", "Plot", false, false, &paths), 2);
    EXPECT_EQ(paths, (std::vector<std::string>{"/a/1.txt", "/a/2.txt"}));
    EXPECT_EQ(MultiFileSelectPopupEx("/a", "*.txt", "", "Plot", false, false, &paths), 0);
    EXPECT_TRUE(paths.empty());
    std::vector<ShownPopup> shown = TakeShownPopups();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].kind, "multiFileSelect");
}

TEST_F(Popups, ResetForgetsAnswersAndRecords) {
    ScriptPopupAnswer(1);
    ScriptFileSelection("/x");
    MessagePopup("t", "m");
    ResetScriptedPopups();
    EXPECT_EQ(ConfirmPopup("t", "q"), 0);
    std::string path;
    EXPECT_EQ(FileSelectPopupEx("", "", "", "t", VAL_OK_BUTTON, false, false, &path),
              VAL_NO_FILE_SELECTED);
    EXPECT_EQ(TakeShownPopups().size(), 2u);
}

class CountingProvider final : public PopupProvider {
  public:
    int message(const std::string&, const std::string&) override { return ++messages, 0; }
    int confirm(const std::string&, const std::string&) override { return 1; }
    int fileSelect(const std::string&, const std::string&, const std::string&, const std::string&,
                   int, bool, bool, bool allowCreate, std::string* path) override {
        lastAllowCreate = allowCreate;
        *path = "/chosen";
        return VAL_EXISTING_FILE_SELECTED;
    }
    int multiFileSelect(const std::string&, const std::string&, const std::string&,
                        const std::string&, bool, bool, std::vector<std::string>*) override {
        return 0;
    }
    int messages = 0;
    bool lastAllowCreate = false;
};

TEST_F(Popups, InstalledProviderAnswersUntilRemoved) {
    CountingProvider provider;
    SetPopupProvider(&provider);
    EXPECT_EQ(GetPopupProvider(), &provider);
    MessagePopup("t", "m");
    EXPECT_EQ(ConfirmPopup("t", "q"), 1);
    std::string path;
    FileSelectPopupEx("", "", "", "t", VAL_SAVE_BUTTON, false, false, &path);
    EXPECT_TRUE(provider.lastAllowCreate); // a save dialog may name a new file
    FileSelectPopupEx("", "", "", "t", VAL_LOAD_BUTTON, false, false, &path);
    EXPECT_FALSE(provider.lastAllowCreate);
    EXPECT_EQ(path, "/chosen");
    EXPECT_EQ(provider.messages, 1);
    EXPECT_TRUE(TakeShownPopups().empty()); // the scripted provider saw nothing
    SetPopupProvider(nullptr);
    EXPECT_NE(GetPopupProvider(), &provider);
    EXPECT_EQ(ConfirmPopup("t", "q"), 0);
}

TEST_F(Popups, ShownFromSeveralThreads) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i) {
                if (i % 2 == 0)
                    MessagePopup("thread " + std::to_string(t), std::to_string(i));
                else
                    ConfirmPopup("thread " + std::to_string(t), std::to_string(i));
            }
        });
    }
    for (int i = 0; i < 50; ++i)
        ScriptPopupAnswer(1);
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(TakeShownPopups().size(), 400u);
}

} // namespace
