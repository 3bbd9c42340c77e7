// Pop-ups as Qt dialogs, shown on the user-interface thread whoever asks.
#include "tests/view/view_fixture.h"

#include "runtime/popups.h"
#include "runtime/qt/qt_popups.h"
#include "runtime/qt/view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <fstream>
#include <thread>

namespace {

struct FilterCase {
    std::string list;
    QStringList filters;
};

class FilterTest : public ::testing::TestWithParam<FilterCase> {};

TEST_P(FilterTest, ConvertsTheRunTimeFilterListToQtFilters) {
    EXPECT_EQ(QtNameFilters(GetParam().list), GetParam().filters);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, FilterTest,
    ::testing::Values(
        FilterCase{
            "csv files(*.csv);txt files(*.txt);log files(*.log);all files(*.*)",
            {"csv files (*.csv)", "txt files (*.txt)", "log files (*.log)", "all files (*)"}},
        FilterCase{"Data (*.csv;*.txt);All(*.*)", {"Data (*.csv *.txt)", "All (*)"}},
        FilterCase{"*.csv", {"*.csv (*.csv)"}}, FilterCase{"", {}},
        FilterCase{";;csv files(*.csv);", {"csv files (*.csv)"}},
        FilterCase{"spectra(*.spc, *.dat)", {"spectra (*.spc *.dat)"}}));

TEST(FilterForSpec, FindsTheFilterThatListsThePattern) {
    const QStringList filters = QtNameFilters("csv files(*.csv);log files(*.log);all files(*.*)");
    EXPECT_EQ(QtFilterForSpec(filters, "*.log"), "log files (*.log)");
    EXPECT_EQ(QtFilterForSpec(filters, "*.*"), "all files (*)");
    EXPECT_EQ(QtFilterForSpec(filters, "*.xyz"), "");
}

class PopupTest : public ViewTest {
  protected:
    // Runs `answer` on the first modal dialog of type D once it is shown.
    template <typename D> void answerWhenShown(std::function<void(D*)> answer) {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
            if (auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget())) {
                timer->stop();
                timer->deleteLater();
                answer(dialog);
            }
        });
        timer->start(10);
    }
};

TEST_F(PopupTest, ConfirmFromAnotherThreadIsAskedOnTheUserInterfaceThread) {
    std::atomic<bool> dialogOnUiThread{false};
    QString title, text;
    answerWhenShown<QMessageBox>([&](QMessageBox* box) {
        dialogOnUiThread =
            QThread::currentThread() == qApp->thread() && box->thread() == qApp->thread();
        title = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::Yes)->click();
    });
    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = ConfirmPopup("Save", "Save the configuration?"); });
    EXPECT_TRUE(waitFor([&] { return answer.load() != -1; }, 10000));
    worker.join();
    EXPECT_EQ(answer.load(), 1);
    EXPECT_TRUE(dialogOnUiThread.load());
    EXPECT_EQ(title, "Save");
    EXPECT_EQ(text, "Save the configuration?");
}

TEST_F(PopupTest, MessageAndConfirmOnTheUserInterfaceThread) {
    QString text;
    answerWhenShown<QMessageBox>([&](QMessageBox* box) {
        text = box->text();
        box->accept();
    });
    EXPECT_EQ(MessagePopup("Error occured", "No DAC\nCheck switch power on"), 0);
    EXPECT_EQ(text, "No DAC\nCheck switch power on");

    answerWhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::No)->click(); });
    EXPECT_EQ(ConfirmPopup("Exit", "Really?"), 0);
}

TEST_F(PopupTest, FileSelectionOffersTheFiltersAndReturnsThePath) {
    const std::string existing = dir_ + "/data.log";
    std::ofstream(existing) << "1,2\n";
    QStringList offered;
    QString selectedFilter;
    answerWhenShown<QFileDialog>([&](QFileDialog* dialog) {
        offered = dialog->nameFilters();
        selectedFilter = dialog->selectedNameFilter();
        dialog->selectFile(QString::fromStdString(existing));
        static_cast<QDialog*>(dialog)->accept(); // as the person presses the button
    });
    std::string path;
    const int result = FileSelectPopupEx(
        dir_, "*.log", "csv files(*.csv);txt files(*.txt);log files(*.log);all files(*.*)",
        "Open log", VAL_LOAD_BUTTON, false, false, &path);
    EXPECT_EQ(result, VAL_EXISTING_FILE_SELECTED);
    EXPECT_EQ(path, existing);
    EXPECT_EQ(offered, QStringList({"csv files (*.csv)", "txt files (*.txt)", "log files (*.log)",
                                    "all files (*)"}));
    EXPECT_EQ(selectedFilter, "log files (*.log)");
}

TEST_F(PopupTest, SaveSelectionOfANewFileAddsTheExtension) {
    answerWhenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
        dialog->selectFile(QString::fromStdString(dir_ + "/measurement"));
        static_cast<QDialog*>(dialog)->accept(); // as the person presses the button
    });
    std::string path;
    std::atomic<int> result{-1};
    std::thread worker([&] {
        result = FileSelectPopupEx(dir_, "*.csv", "csv files(*.csv);all files(*.*)", "Log to",
                                   VAL_SAVE_BUTTON, false, true, &path);
    });
    EXPECT_TRUE(waitFor([&] { return result.load() != -1; }, 10000));
    worker.join();
    EXPECT_EQ(result.load(), VAL_NEW_FILE_SELECTED);
    EXPECT_EQ(path, dir_ + "/measurement.csv");
}

TEST_F(PopupTest, CancelledSelectionsChooseNothing) {
    answerWhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    std::string path = "untouched";
    EXPECT_EQ(FileSelectPopupEx(dir_, "*.csv", "csv files(*.csv)", "Open", VAL_OK_BUTTON, false,
                                false, &path),
              VAL_NO_FILE_SELECTED);
    EXPECT_EQ(path, "");

    answerWhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    std::vector<std::string> paths{"untouched"};
    EXPECT_EQ(MultiFileSelectPopupEx(dir_, "*.csv", "csv files(*.csv)", "Add files", false, false,
                                     &paths),
              0);
    EXPECT_TRUE(paths.empty());
}

TEST_F(PopupTest, MultipleFilesAreReturnedInOrder) {
    const std::string a = dir_ + "/a.csv", b = dir_ + "/b.csv";
    std::ofstream(a) << "1,2\n";
    std::ofstream(b) << "3,4\n";
    answerWhenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        dialog->selectFile("\"a.csv\" \"b.csv\"");
        static_cast<QDialog*>(dialog)->accept(); // as the person presses the button
    });
    std::vector<std::string> paths;
    EXPECT_EQ(MultiFileSelectPopupEx(dir_, "*.csv", "csv files(*.csv);all files(*.*)", "Add files",
                                     false, false, &paths),
              2);
    EXPECT_EQ(paths, (std::vector<std::string>{a, b}));
}

} // namespace
