// Pop-up dialogs through one interface: the Qt view shows real dialogs; without a view the
// scripted provider answers (tests queue the answers and read what was shown).
#pragma once

#include <string>
#include <vector>

enum FileSelectResult : int {
    VAL_NO_FILE_SELECTED = 0,
    VAL_EXISTING_FILE_SELECTED = 1,
    VAL_NEW_FILE_SELECTED = 2
};
enum FileSelectButton : int {
    VAL_OK_BUTTON = 0,
    VAL_SAVE_BUTTON = 1,
    VAL_SELECT_BUTTON = 2,
    VAL_LOAD_BUTTON = 3
};

class PopupProvider {
  public:
    virtual ~PopupProvider() = default;
    virtual int message(const std::string& title, const std::string& text) = 0;
    virtual int confirm(const std::string& title, const std::string& text) = 0; // 1 yes, 0 no
    // filterList: "csv files(*.csv);txt files(*.txt)"; returns FileSelectResult and the path.
    virtual int fileSelect(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                           const std::string& filterList, const std::string& title, int buttonLabel,
                           bool restrictDirectory, bool restrictExtension, bool allowCreate,
                           std::string* path) = 0;
    // Returns the number of files chosen (0 = none) and their paths.
    virtual int multiFileSelect(const std::string& defaultDirectory,
                                const std::string& defaultFileSpec, const std::string& filterList,
                                const std::string& title, bool restrictDirectory,
                                bool restrictExtension, std::vector<std::string>* paths) = 0;
};

// nullptr restores the scripted provider. Any thread may show a pop-up; a provider must outlive
// the pop-ups it is showing when it is replaced.
void SetPopupProvider(PopupProvider* provider);
PopupProvider* GetPopupProvider();

int MessagePopup(const std::string& title, const std::string& text);
int ConfirmPopup(const std::string& title, const std::string& text);
int FileSelectPopupEx(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                      const std::string& filterList, const std::string& title, int buttonLabel,
                      bool restrictDirectory, bool restrictExtension, std::string* path);
int MultiFileSelectPopupEx(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                           const std::string& filterList, const std::string& title,
                           bool restrictDirectory, bool restrictExtension,
                           std::vector<std::string>* paths);

// The scripted provider (the default). Answers are taken in order; when none is queued,
// confirm answers 0 and file selections choose nothing.
struct ShownPopup {
    std::string kind;        // "message", "confirm", "fileSelect", "multiFileSelect"
    std::string title, text; // text: message text, or the filter list for file dialogs
    std::string defaultFileSpec;
};
void ScriptPopupAnswer(int answer);                // confirm
void ScriptFileSelection(const std::string& path); // empty = cancel
void ScriptMultiFileSelection(const std::vector<std::string>& paths);
std::vector<ShownPopup> TakeShownPopups(); // and forget them
void ResetScriptedPopups();
