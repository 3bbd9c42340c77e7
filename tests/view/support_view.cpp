#include "tests/view/view_fixture.h"

#include "runtime/events.h"
#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace {

// One application for the whole test program; each test opens and closes the view on it.
class ApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "view_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

  private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] auto* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

std::mutex eventsMutex;
std::vector<RecordedEvent> recorded;

void Record(const RecordedEvent& e) {
    std::lock_guard lock(eventsMutex);
    recorded.push_back(e);
}

bool OnUiThread() {
    return QThread::currentThread() == qApp->thread() && IsUserInterfaceThread();
}

} // namespace

std::string UiText(const std::string& name, const std::string& value, bool dynamic) {
    return "<property name=\"" + name + "\"" + (dynamic ? " stdset=\"0\"" : "") + "><string>" +
           value + "</string></property>";
}

std::string UiControl(const std::string& widgetClass, const std::string& name, int x, int y,
                      int width, int height, const std::string& extra) {
    return "<widget class=\"" + widgetClass + "\" name=\"" + name +
           "\"><property name=\"geometry\"><rect><x>" + std::to_string(x) + "</x><y>" +
           std::to_string(y) + "</y><width>" + std::to_string(width) + "</width><height>" +
           std::to_string(height) + "</height></rect></property>" + extra + "</widget>\n";
}

void ViewTest::SetUp() {
    ASSERT_NE(qApp, nullptr);
    CloseUserInterface();
    CloseQtView();
    ResetUserInterfaceModelForTesting();
    static int argc = 1;
    static char name[] = "view_tests";
    static char* argv[] = {name, nullptr};
    ASSERT_EQ(InitQtView(argc, argv), 1);
    ASSERT_EQ(InitUserInterface(argc, argv), 1);
    {
        std::lock_guard lock(eventsMutex);
        recorded.clear();
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-view-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
}

void ViewTest::TearDown() {
    CloseUserInterface();
    CloseQtView();
    ResetUserInterfaceModelForTesting();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

std::string ViewTest::writePanel(const std::string& fileName, const std::string& controls,
                                 int width, int height, const std::string& title) {
    const std::string path = dir_ + "/" + fileName;
    std::ofstream out(path);
    out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ui "
           "version=\"4.0\">\n<class>PANEL</class>\n"
        << "<widget class=\"QWidget\" name=\"PANEL\">\n"
        << "<property name=\"geometry\"><rect><x>40</x><y>40</y><width>" << width
        << "</width><height>" << height << "</height></rect></property>\n"
        << "<property name=\"windowTitle\"><string>" << title << "</string></property>\n"
        << controls << "</widget>\n"
        << "<customwidgets><customwidget><class>QCustomPlot</class><extends>QWidget</extends>"
        << "<header>qcustomplot.h</header><container>1</container></customwidget></customwidgets>\n"
        << "<resources/>\n<connections/>\n</ui>\n";
    return path;
}

int ViewTest::showPanel(const std::string& path) {
    const int panel = LoadPanel(0, path, 1);
    EXPECT_GT(panel, 0) << path;
    if (panel <= 0) return panel;
    DisplayPanel(panel);
    FlushQtView();
    QWidget* window = QtPanelWidget(panel);
    EXPECT_NE(window, nullptr);
    if (window != nullptr) {
        window->activateWindow();
        waitFor([window] { return window->isActiveWindow(); }, 2000);
    }
    return panel;
}

int ViewTest::ctrl(int panel, const std::string& constantName) {
    return std::max(GetCtrlIdFromConstantName(panel, constantName), 0);
}

bool ViewTest::waitFor(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void ViewTest::spin(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

int ViewTest::RecordCtrl(int panel, int control, int event, void* /*data*/, int data1,
                         int /*data2*/) {
    Record({panel, control, event, data1, OnUiThread()});
    return 0;
}

int ViewTest::RecordPanel(int panel, int event, void* /*data*/, int data1, int /*data2*/) {
    Record({panel, 0, event, data1, OnUiThread()});
    return 0;
}

void ViewTest::RecordMenu(int /*menuBar*/, int item, void* /*data*/, int panel) {
    Record({panel, item, EVENT_COMMIT, 0, OnUiThread()});
}

std::vector<RecordedEvent> ViewTest::events() {
    std::lock_guard lock(eventsMutex);
    return recorded;
}

std::vector<RecordedEvent> ViewTest::eventsOf(int panel, int control, int event) {
    std::vector<RecordedEvent> out;
    for (const RecordedEvent& e : events()) {
        if (e.panel == panel && e.control == control && e.event == event) out.push_back(e);
    }
    return out;
}
