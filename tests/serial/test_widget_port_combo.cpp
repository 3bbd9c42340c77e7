// Port selection in the real Qt view (offscreen): the small layout of the window, the reason of
// a failed open as the status text's tooltip, Enter on the port ring and choosing an item.
#include "engine/app_record.h"
#include "runtime/events.h"
#include "runtime/qt/view.h"
#include "runtime/serial_map.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "serial/port_work.h"
#include "shell/startup.h"
#include "tests/serial/sim_process.h"
#include "tests/shell/program_folder.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using testpty::SimProcess;

class PortSelectionView : public ::testing::Test {
  protected:
    // One application for the test program; each test opens the view on a fresh model.
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "port_selection_view";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app;
        app = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(folder.ok());
        ResetUserInterfaceModelForTesting();
        static int viewArgc = 1;
        static char viewName[] = "port_selection_view";
        static char* viewArgv[] = {viewName, nullptr};
        ASSERT_EQ(InitQtView(viewArgc, viewArgv), 1);
        SetSerialMapConfigPath("");
        SetSerialDetectorForTesting([] { return std::vector<DetectedSerialPort>{}; });
        SetSerialByIdFolderForTesting(folder.file("by-id"));
    }
    void TearDown() override {
        if (begun) StartUp_End(&state);
        sims.clear();
        CloseQtView();
        ResetUserInterfaceModelForTesting();
        SetSerialDetectorForTesting(nullptr);
        SetSerialByIdFolderForTesting("");
    }

    void sim(int port) {
        sims.push_back(std::make_unique<SimProcess>(
            std::vector<std::string>{"--config", folder.config(), "--port", std::to_string(port)}));
        ASSERT_TRUE(sims.back()->ok());
    }

    void begin() {
        static char name[] = "corvane-control";
        argv[0] = name;
        argc = 1;
        begun = true;
        ASSERT_EQ(StartUp_Begin(argc, argv, &state), STARTUP_RUN_LOOP);
        record = PortCombo_Record();
        FlushQtView();
        QApplication::processEvents();
    }

    int openPort() const { return PortWork_Record()->portNumber.load(); }

    static QApplication* app;
    ProgramFolder folder;
    std::vector<std::unique_ptr<SimProcess>> sims;
    StartupState state;
    bool begun = false;
    char* argv[2] = {};
    int argc = 0;
    PortComboRecord* record = nullptr;
};

QApplication* PortSelectionView::app = nullptr;

TEST_F(PortSelectionView, WindowShrinksToTheConnectionPanelAndShowsTheFailureReason) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=9\n");
    testing::internal::CaptureStderr();
    begin();
    testing::internal::GetCapturedStderr();

    QWidget* window = QtPanelWidget(state.panel);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->width(), record->ownWidth.load());
    EXPECT_EQ(window->height(), record->ownHeight.load() + 20);

    QWidget* statusWidget = QtControlWidget(record->connectionPanel, record->status);
    ASSERT_NE(statusWidget, nullptr);
    EXPECT_NE(statusWidget->toolTip().indexOf("COM9"), -1) << statusWidget->toolTip().toStdString();
    auto* label = qobject_cast<QLabel*>(statusWidget);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), "Not connected");

    // The full layout shows the whole product panel.
    PortCombo_RestoreAll(record);
    FlushQtView();
    EXPECT_EQ(window->width(), record->parentWidth.load());
    EXPECT_EQ(window->height(), record->parentHeight.load());
}

TEST_F(PortSelectionView, EnterOnThePortRingAndChoosingAnItemActOnThePort) {
    folder.writeConfig("[Section]\nKey=Arvel7.uir\nPower=3\n");
    sim(3);
    sim(5);
    begin();
    ASSERT_EQ(openPort(), 3);
    auto* combo =
        qobject_cast<QComboBox*>(QtControlWidget(record->connectionPanel, record->portRing));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0).toStdString(), "Select Port / Refresh");
    EXPECT_TRUE(combo->itemText(2).startsWith("COM5"));

    SetCtrlIndex(record->connectionPanel, record->portRing, 2);
    FlushQtView();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(combo, &press);
    EXPECT_EQ(openPort(), 5);

    // A person picks the refresh item: the port closes and the status turns red.
    emit combo->activated(0);
    EXPECT_EQ(openPort(), -1);
    FlushQtView();
    auto* status = qobject_cast<QLabel*>(QtControlWidget(record->connectionPanel, record->status));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->text().toStdString(), "Fail connect");
}

} // namespace
