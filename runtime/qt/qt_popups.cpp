#include "runtime/qt/qt_popups.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaObject>
#include <QRegularExpression>
#include <QThread>

#include <future>
#include <memory>

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Runs `fn` on the user-interface thread and waits for it. Returns false when it did not run:
// there is no application (the view is closed) or it went away before running the call.
template <typename Fn> bool RunOnGuiThread(Fn&& fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return false;
    if (QThread::currentThread() == app->thread()) {
        fn();
        return true;
    }
    // The queued call alone owns the promise: dropped unrun, it breaks the promise and wakes us.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    QMetaObject::invokeMethod(
        app,
        [&fn, done] {
            fn();
            done->set_value();
        },
        Qt::QueuedConnection);
    done.reset();
    try {
        finished.get();
        return true;
    } catch (const std::future_error&) {
        return false;
    }
}

QWidget* DialogParent() {
    return QApplication::activeWindow();
}

// The patterns of one Qt name filter: "csv files (*.csv *.txt)" gives {"*.csv", "*.txt"}.
QStringList PatternsOf(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) return filter.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The extension a save dialog adds to a bare name: "csv" for "*.csv", none for "*".
QString SuffixOf(const QString& filter) {
    for (const QString& pattern : PatternsOf(filter)) {
        const QString suffix = pattern.mid(2);
        if (pattern.startsWith(QLatin1String("*.")) && !suffix.isEmpty() &&
            !suffix.contains(QLatin1Char('*')) && !suffix.contains(QLatin1Char('?'))) {
            return suffix;
        }
    }
    return {};
}

struct DialogSetup {
    QString directory;
    QString selectFile; // a default file name, or empty
    QStringList filters;
    QString selectedFilter;
};

DialogSetup PrepareDialog(const std::string& defaultDirectory, const std::string& defaultFileSpec,
                          const std::string& filterList) {
    DialogSetup setup;
    setup.directory = FromUtf8(defaultDirectory);
    if (setup.directory.isEmpty()) setup.directory = QDir::currentPath();
    setup.filters = QtNameFilters(filterList);
    const QString spec = FromUtf8(defaultFileSpec);
    if (spec.contains(QLatin1Char('*')) || spec.contains(QLatin1Char('?'))) {
        // A pattern chooses the filter; one that is not on the list is offered first.
        setup.selectedFilter = QtFilterForSpec(setup.filters, spec);
        if (setup.selectedFilter.isEmpty()) {
            setup.selectedFilter = spec + QLatin1String(" (") + spec + QLatin1Char(')');
            setup.filters.prepend(setup.selectedFilter);
        }
    } else if (!spec.isEmpty()) {
        setup.selectFile = QDir(setup.directory).filePath(spec);
    }
    if (setup.filters.isEmpty()) setup.filters << QStringLiteral("All files (*)");
    if (setup.selectedFilter.isEmpty()) setup.selectedFilter = setup.filters.first();
    return setup;
}

void ApplySetup(QFileDialog& dialog, const DialogSetup& setup) {
    dialog.setDirectory(setup.directory);
    dialog.setNameFilters(setup.filters);
    dialog.selectNameFilter(setup.selectedFilter);
    if (!setup.selectFile.isEmpty()) dialog.selectFile(setup.selectFile);
}

} // namespace

QStringList QtNameFilters(const std::string& filterList) {
    QStringList entries;
    QString current;
    int depth = 0;
    for (const QChar c : FromUtf8(filterList)) {
        if (c == QLatin1Char('(')) ++depth;
        if (c == QLatin1Char(')') && depth > 0) --depth;
        if (c == QLatin1Char(';') && depth == 0) {
            entries << current;
            current.clear();
        } else {
            current += c;
        }
    }
    entries << current;

    QStringList filters;
    for (const QString& raw : entries) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty()) continue;
        const qsizetype open = entry.indexOf(QLatin1Char('('));
        const qsizetype close = entry.lastIndexOf(QLatin1Char(')'));
        QString name;
        QString patternText;
        if (open >= 0 && close > open) {
            name = entry.left(open).trimmed();
            patternText = entry.mid(open + 1, close - open - 1);
        } else {
            patternText = entry; // a bare pattern list: it names itself
        }
        QStringList patterns;
        for (QString p : patternText.split(QRegularExpression(QStringLiteral("[;,\\s]+")),
                                           Qt::SkipEmptyParts)) {
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
            if (!patterns.contains(p)) patterns << p;
        }
        if (patterns.isEmpty()) continue;
        if (name.isEmpty()) name = patterns.join(QLatin1Char(' '));
        filters << name + QLatin1String(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QString QtFilterForSpec(const QStringList& filters, const QString& fileSpec) {
    QString spec = fileSpec.trimmed();
    if (spec == QLatin1String("*.*")) spec = QStringLiteral("*");
    for (const QString& filter : filters) {
        if (PatternsOf(filter).contains(spec, Qt::CaseInsensitive)) return filter;
    }
    return {};
}

int QtPopupProvider::message(const std::string& title, const std::string& text) {
    RunOnGuiThread(
        [&] { QMessageBox::information(DialogParent(), FromUtf8(title), FromUtf8(text)); });
    return 0;
}

int QtPopupProvider::confirm(const std::string& title, const std::string& text) {
    int answer = 0;
    RunOnGuiThread([&] {
        answer = QMessageBox::question(DialogParent(), FromUtf8(title), FromUtf8(text),
                                       QMessageBox::Yes | QMessageBox::No,
                                       QMessageBox::No) == QMessageBox::Yes
                     ? 1
                     : 0;
    });
    return answer;
}

int QtPopupProvider::fileSelect(const std::string& defaultDirectory,
                                const std::string& defaultFileSpec, const std::string& filterList,
                                const std::string& title, int buttonLabel,
                                bool /*restrictDirectory*/, bool restrictExtension,
                                bool allowCreate, std::string* path) {
    int result = VAL_NO_FILE_SELECTED;
    std::string chosen;
    RunOnGuiThread([&] {
        const DialogSetup setup = PrepareDialog(defaultDirectory, defaultFileSpec, filterList);
        QFileDialog dialog(DialogParent(), FromUtf8(title));
        ApplySetup(dialog, setup);
        const bool save = allowCreate || buttonLabel == VAL_SAVE_BUTTON;
        if (save) {
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            // The caller decides what to do with an existing file (a data log appends).
            dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
            if (restrictExtension) dialog.setDefaultSuffix(SuffixOf(setup.selectedFilter));
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, restrictExtension](const QString& filter) {
                                 if (restrictExtension) dialog.setDefaultSuffix(SuffixOf(filter));
                             });
        } else {
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
        }
        if (buttonLabel == VAL_LOAD_BUTTON)
            dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Load"));
        if (buttonLabel == VAL_SELECT_BUTTON)
            dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Select"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        const QString file = dialog.selectedFiles().first();
        chosen = LocalPath(file);
        result = QFileInfo::exists(file) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
    });
    if (path != nullptr) *path = chosen;
    return result;
}

int QtPopupProvider::multiFileSelect(const std::string& defaultDirectory,
                                     const std::string& defaultFileSpec,
                                     const std::string& filterList, const std::string& title,
                                     bool /*restrictDirectory*/, bool /*restrictExtension*/,
                                     std::vector<std::string>* paths) {
    std::vector<std::string> chosen;
    RunOnGuiThread([&] {
        const DialogSetup setup = PrepareDialog(defaultDirectory, defaultFileSpec, filterList);
        QFileDialog dialog(DialogParent(), FromUtf8(title));
        ApplySetup(dialog, setup);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        if (dialog.exec() != QDialog::Accepted) return;
        for (const QString& file : dialog.selectedFiles())
            chosen.push_back(LocalPath(file));
    });
    const int count = static_cast<int>(chosen.size());
    if (paths != nullptr) *paths = std::move(chosen);
    return count;
}
