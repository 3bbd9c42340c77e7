// Pop-up dialogs through the installed provider; the scripted provider is the default.
#include "runtime/popups.h"

#include <deque>
#include <mutex>
#include <sys/stat.h>
#include <utility>

namespace {

// Answers queued by tests and the pop-ups shown, shared by every thread that shows one.
class ScriptedPopups final : public PopupProvider {
  public:
    int message(const std::string& title, const std::string& text) override {
        record({"message", title, text, ""});
        return 0;
    }

    int confirm(const std::string& title, const std::string& text) override {
        std::lock_guard lock(mutex_);
        shown_.push_back({"confirm", title, text, ""});
        if (answers_.empty()) return 0;
        int answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    int fileSelect(const std::string& /*defaultDirectory*/, const std::string& defaultFileSpec,
                   const std::string& filterList, const std::string& title, int /*buttonLabel*/,
                   bool /*restrictDirectory*/, bool /*restrictExtension*/, bool /*allowCreate*/,
                   std::string* path) override {
        std::string chosen;
        {
            std::lock_guard lock(mutex_);
            shown_.push_back({"fileSelect", title, filterList, defaultFileSpec});
            if (!files_.empty()) {
                chosen = std::move(files_.front());
                files_.pop_front();
            }
        }
        if (path != nullptr) *path = chosen;
        if (chosen.empty()) return VAL_NO_FILE_SELECTED;
        struct stat info {};
        return stat(chosen.c_str(), &info) == 0 ? VAL_EXISTING_FILE_SELECTED
                                                : VAL_NEW_FILE_SELECTED;
    }

    int multiFileSelect(const std::string& /*defaultDirectory*/, const std::string& defaultFileSpec,
                        const std::string& filterList, const std::string& title,
                        bool /*restrictDirectory*/, bool /*restrictExtension*/,
                        std::vector<std::string>* paths) override {
        std::vector<std::string> chosen;
        {
            std::lock_guard lock(mutex_);
            shown_.push_back({"multiFileSelect", title, filterList, defaultFileSpec});
            if (!fileLists_.empty()) {
                chosen = std::move(fileLists_.front());
                fileLists_.pop_front();
            }
        }
        int count = static_cast<int>(chosen.size());
        if (paths != nullptr) *paths = std::move(chosen);
        return count;
    }

    void scriptAnswer(int answer) {
        std::lock_guard lock(mutex_);
        answers_.push_back(answer);
    }
    void scriptFile(const std::string& path) {
        std::lock_guard lock(mutex_);
        files_.push_back(path);
    }
    void scriptFiles(const std::vector<std::string>& paths) {
        std::lock_guard lock(mutex_);
        fileLists_.push_back(paths);
    }
    std::vector<ShownPopup> takeShown() {
        std::lock_guard lock(mutex_);
        return std::exchange(shown_, {});
    }
    void reset() {
        std::lock_guard lock(mutex_);
        answers_.clear();
        files_.clear();
        fileLists_.clear();
        shown_.clear();
    }

  private:
    void record(ShownPopup popup) {
        std::lock_guard lock(mutex_);
        shown_.push_back(std::move(popup));
    }

    std::mutex mutex_;
    std::deque<int> answers_;
    std::deque<std::string> files_;
    std::deque<std::vector<std::string>> fileLists_;
    std::vector<ShownPopup> shown_;
};

ScriptedPopups& scripted() {
    static ScriptedPopups* s = new ScriptedPopups;
    return *s;
}

std::mutex providerMutex;
PopupProvider* provider = nullptr; // nullptr = the scripted provider

} // namespace

void SetPopupProvider(PopupProvider* newProvider) {
    std::lock_guard lock(providerMutex);
    provider = newProvider;
}

PopupProvider* GetPopupProvider() {
    std::lock_guard lock(providerMutex);
    return provider != nullptr ? provider : &scripted();
}

int MessagePopup(const std::string& title, const std::string& text) {
    return GetPopupProvider()->message(title, text);
}

int ConfirmPopup(const std::string& title, const std::string& text) {
    return GetPopupProvider()->confirm(title, text);
}

int FileSelectPopupEx(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                      const std::string& filterList, const std::string& title, int buttonLabel,
                      bool restrictDirectory, bool restrictExtension, std::string* path) {
    // Only a save dialog lets the person name a file that does not exist yet.
    bool allowCreate = buttonLabel == VAL_SAVE_BUTTON;
    return GetPopupProvider()->fileSelect(defaultDirectory, defaultFileSpec, filterList, title,
                                          buttonLabel, restrictDirectory, restrictExtension,
                                          allowCreate, path);
}

int MultiFileSelectPopupEx(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                           const std::string& filterList, const std::string& title,
                           bool restrictDirectory, bool restrictExtension,
                           std::vector<std::string>* paths) {
    return GetPopupProvider()->multiFileSelect(defaultDirectory, defaultFileSpec, filterList, title,
                                               restrictDirectory, restrictExtension, paths);
}

void ScriptPopupAnswer(int answer) {
    scripted().scriptAnswer(answer);
}
void ScriptFileSelection(const std::string& path) {
    scripted().scriptFile(path);
}
void ScriptMultiFileSelection(const std::vector<std::string>& paths) {
    scripted().scriptFiles(paths);
}
std::vector<ShownPopup> TakeShownPopups() {
    return scripted().takeShown();
}
void ResetScriptedPopups() {
    scripted().reset();
}
