// Port selection: the connection panel ("COMCombo.uir") laid into the product panel's
// "PORTCOMBOUI" control, with the port ring, the exit button and the status text; the
// variant for a port ring on the product panel itself; the configuration dialog's "COM_POWER"
// rings; and the orderly shut-down of the link. Everything runs on the user-interface thread
// except PortCombo_SetColorPort, which the version check calls from the reply thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

struct PortComboRecord;
using PortComboSetColorFn = int (*)(PortComboRecord* record, int32_t color);
using PortComboInitParentSizeFn = void (*)(PortComboRecord* record, int32_t width, int32_t height,
                                           int32_t flags);
using PortComboRestoreAllFn = void (*)(PortComboRecord* record);

// Flags of PortCombo_InitParentSize.
enum PortComboSizeFlags : int32_t {
    PORTCOMBO_APPLY_FULL_LAYOUT = 1 << 0, // apply the full layout when the size changed
    PORTCOMBO_ONLY_GROW = 1 << 1,         // keep the larger of the stored and the given extent
};

constexpr const char* PORTCOMBO_PANEL_FILE = "COMCombo.uir";
constexpr const char* PORTCOMBO_REFRESH_ITEM = "Select Port / Refresh";
constexpr const char* PORTCOMBO_RING_REFRESH_ITEM = "Refresh"; // product panel's own ring
constexpr const char* PORTCOMBO_FAIL_TEXT = "Fail connect";
constexpr const char* PORTCOMBO_CONNECTED_TEXT = "Connected";
constexpr int32_t PORTCOMBO_RED = 0xFF0000;
// Pause before a newly chosen port is opened, so the old connection's threads see stopFlag.
constexpr int PORTCOMBO_REOPEN_PAUSE_MS = 500;
constexpr int PORTCOMBO_REFRESH_PAUSE_MS = 100;
constexpr int PORTCOMBO_SHUTDOWN_PAUSE_MS = 200;

struct PortComboRecord {
    // Written by PortCombo_InitPanelUI before any engine thread exists; read by the reply thread
    // through PortCombo_SetColorPort.
    std::atomic<int32_t> placeholder{0};     // product panel control "PORTCOMBOUI"
    std::atomic<int32_t> connectionPanel{0}; // child panel loaded from COMCombo.uir
    std::atomic<int32_t> parentPanel{0};     // the product panel
    std::atomic<int32_t> portRing{0};        // connection panel control "PORTCOMBO"
    std::atomic<int32_t> ownWidth{0}, ownHeight{0};
    std::atomic<int32_t> parentWidth{0}, parentHeight{0};
    std::atomic<int32_t> status{0};         // connection panel control "CONNECT_STATUS"
    PortComboSetColorFn setColor = nullptr; // set by PortCombo_InitPanelUI
    PortComboInitParentSizeFn initParentSize = nullptr;
    PortComboRestoreAllFn restoreAll = nullptr;
};

// The program's one record.
PortComboRecord* PortCombo_Record();

// Prepares `record` (or, given none, the program's one record): fields cleared, the
// parent-size and restore operations set, the shut-down not yet run, and the engine's
// "COM_POWER" hand-overs filled. Returns the record.
PortComboRecord* PortCombo_INIT_POINTERS(PortComboRecord* record = nullptr);

// Lays the connection panel into the product panel at `placeholder`, fills the port list and
// opens the port saved as "Power" in the configuration file; when it opens, binds the product
// panel. Returns 1 when that port opened, 0 otherwise.
int PortCombo_InitPanelUI(PortComboRecord* record, int productPanel, int placeholder);
// Finds the connection panel's ring, exit button and status text and sets them up.
void PortCombo_InitControl(PortComboRecord* record, int connectionPanel);
// Fills a ring with "Select Port / Refresh" and one item per present serial port (value
// "COMn"), and selects the first item.
void PortCombo_InputComboValues(int panel, int ring);

// True for a commit, and for the Enter key, which the port rings take as a commit.
bool PortCombo_IsCommit(int event, int eventData1);
// Callback of the connection panel's port ring.
int PortCombo__COMSELECT(int panel, int control, int event, void* callbackData, int eventData1,
                         int eventData2);
// Shows the link state: red = "Fail connect"; any other colour = "Connected" with the ring on
// the open port. Always 1; does nothing visible before PortCombo_InitPanelUI.
int PortCombo_SetColorPort(PortComboRecord* record, int32_t color);

// Small layout: the product panel shrunk to the connection panel alone.
void PortCombo_MoveComboSmall(PortComboRecord* record);
// Full layout: the product panel at its full size with the connection panel in the placeholder.
void PortCombo_RestoreAll(PortComboRecord* record);
void PortCombo_InitParentSize(PortComboRecord* record, int32_t width, int32_t height,
                              int32_t flags);
void PortCombo_InitPanelSize(PortComboRecord* record, int32_t height, int32_t width);

// Exit button: the orderly shut-down of the link (once), then the end of the loop.
int PortCombo_ExitCallBak(int panel, int control, int event, void* callbackData, int eventData1,
                          int eventData2);
// The orderly shut-down of the link, once: stopFlag, "O:0", 200 ms, "I:", 200 ms, port closed,
// write handshake finished. Later calls do nothing.
void PortCombo_CloseAll();
// Whether the orderly shut-down has run; PortCombo_INIT_POINTERS resets it.
bool PortCombo_ShutDownDone();
void PortCombo_ResetShutDown();

// Callback of the configuration dialog's "COM_POWER" rings: "Refresh" fills the list again.
int MainWorking_COMSELECT_ONLY(int panel, int control, int event, void* callbackData,
                               int eventData1, int eventData2);

// A port ring on the product panel itself.
int Main_COMSELECT(int panel, int control, int event, void* callbackData, int eventData1,
                   int eventData2);
void MoveCOmboSmall(int panel, int ring);
void InputComboValues(int panel, int ring);
void RestoreAll(int panel);
// Forgets the product-panel ring's remembered layout (PortCombo_INIT_POINTERS).
void PortCombo_ResetProductRing();

// The item label of a port: "COMn" with what tells it apart (description and device path).
std::string PortCombo_ItemLabel(int number, const std::string& device,
                                const std::string& description);
// The port number in a ring's value text: the decimal number from its fourth character on
// ("COM12" gives 12); 0 when there is none.
int PortCombo_PortNumber(const std::string& valueText);
