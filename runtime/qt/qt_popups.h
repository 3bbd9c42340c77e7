// Pop-ups as Qt dialogs: message and confirm boxes, single and multiple file selection.
// Callable from any thread: off the user-interface thread the dialog is run there and the caller
// waits for the answer (so the user-interface thread must not be waiting for the caller).
#pragma once

#include "runtime/popups.h"

#include <QString>
#include <QStringList>

class QtPopupProvider final : public PopupProvider {
  public:
    int message(const std::string& title, const std::string& text) override;
    int confirm(const std::string& title, const std::string& text) override;
    int fileSelect(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                   const std::string& filterList, const std::string& title, int buttonLabel,
                   bool restrictDirectory, bool restrictExtension, bool allowCreate,
                   std::string* path) override;
    int multiFileSelect(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                        const std::string& filterList, const std::string& title,
                        bool restrictDirectory, bool restrictExtension,
                        std::vector<std::string>* paths) override;
};

// "csv files(*.csv);txt files(*.txt);all files(*.*)" as Qt name filters:
// "csv files (*.csv)", "txt files (*.txt)", "all files (*)". Entries are separated by ";"
// outside parentheses; inside them ";" or "," separate patterns, and "*.*" means every file.
QStringList QtNameFilters(const std::string& filterList);

// The filter of `filters` that lists the pattern `fileSpec` ("*.csv"), or an empty string.
QString QtFilterForSpec(const QStringList& filters, const QString& fileSpec);
