#include "display/dinamic_control.h"

#include <cstdio>
#include <string>

#include "engine/app_record.h"
#include "runtime/popups.h"
#include "serial/port_combo.h"

namespace {

LedGroupRecord theRecord{{},
                         0,
                         DinamicControl_AddGroupLeds,
                         DinamicControl_FreeAll,
                         DinamicControl_BuildOne,
                         DinamicControl_AddDinamicGroup,
                         DinamicControl_AddButtons};

constexpr int kSlideStyle = CTRL_NUMERIC_VSLIDE;
constexpr int kButtonStyle = CTRL_SQUARE_BUTTON;
constexpr int kSlideColor = 0xFF0000;
constexpr int kButtonOnColor = 0x64FF00;
constexpr int kButtonOffColor = 0xBFBFBF;
constexpr const char* kButtonText = "OFF/ON";

int CtrlInt(int panel, int control, int attr) {
    int v = 0;
    GetCtrlAttribute(panel, control, attr, &v);
    return v;
}

// "<base>" for a row of one, "<base>_<k>" otherwise.
std::string RowName(const char* base, int k, int count) {
    return count == 1 ? std::string(base) : std::string(base) + "_" + std::to_string(k);
}

int SetUpSlide(int panel, int control) {
    SetCtrlAttribute(panel, control, ATTR_MIN_VALUE, 0.0);
    SetCtrlAttribute(panel, control, ATTR_MAX_VALUE, 100.0);
    SetCtrlAttribute(panel, control, ATTR_DFLT_VALUE, 0.0);
    SetCtrlAttribute(panel, control, ATTR_PRECISION, 3);
    SetCtrlAttribute(panel, control, ATTR_SHOW_DIGITAL_DISPLAY, 0);
    SetCtrlAttribute(panel, control, ATTR_FILL_COLOR, kSlideColor);
    SetCtrlAttribute(panel, control, ATTR_TEXT_POINT_SIZE, 13);
    const int result = SetCtrlAttribute(panel, control, ATTR_DIG_DISP_LEFT,
                                        CtrlInt(panel, control, ATTR_LEFT) - 35);
    DefaultCtrl(panel, control);
    return result;
}

int SetUpButton(int panel, int control) {
    SetCtrlAttribute(panel, control, ATTR_ON_COLOR, kButtonOnColor);
    SetCtrlAttribute(panel, control, ATTR_OFF_COLOR, kButtonOffColor);
    SetCtrlAttribute(panel, control, ATTR_ON_TEXT, std::string(kButtonText));
    SetCtrlAttribute(panel, control, ATTR_OFF_TEXT, std::string(kButtonText));
    SetCtrlAttribute(panel, control, ATTR_ON_OFF_TEXT_POINT_SIZE, 12);
    return SetCtrlAttribute(panel, control, ATTR_TEXT_POINT_SIZE, 12);
}

} // namespace

LedGroupRecord* DinamicControl_Record() {
    return &theRecord;
}

LedGroupRecord* DinamicControl_INIT_POINTERS(LedGroupRecord* record) {
    LedGroupRecord* r = record != nullptr ? record : &theRecord;
    r->AddGroupLeds = DinamicControl_AddGroupLeds;
    r->FreeAll = DinamicControl_FreeAll;
    r->BuildOne = DinamicControl_BuildOne;
    r->AddDinamicGroup = DinamicControl_AddDinamicGroup;
    r->AddButtons = DinamicControl_AddButtons;
    for (int32_t& id : r->created)
        id = 0;
    r->count = 0;
    return r;
}

int DinamicControl_AddGroupLeds(LedGroupRecord* record, int panel, int channels) {
    const int marker = TheAppRecord().ledLeftPixCtrl.load();
    if (marker <= 0) return record->count;
    // A new answer replaces the group of an earlier one.
    if (record->count != 0) DinamicControl_FreeAll(record, panel);
    if (channels < 1) {
        MessagePopup(LEDGROUP_ERROR_TITLE, LEDGROUP_NO_DAC_TEXT);
        return 0;
    }
    if (channels > LEDGROUP_MAX_CHANNELS) {
        char text[96];
        std::snprintf(text, sizeof text, "Too many LED channels: %d (at most %d)", channels,
                      LEDGROUP_MAX_CHANNELS);
        MessagePopup(LEDGROUP_ERROR_TITLE, text);
        return 0;
    }

    const int width = CtrlInt(panel, marker, ATTR_WIDTH);
    const int left = CtrlInt(panel, marker, ATTR_LEFT);
    const int top = CtrlInt(panel, marker, ATTR_TOP);
    const int needed = (channels + channels / 2) * 100;
    int x0 = left + LEDGROUP_SINGLE_SHIFT;
    if (needed < width)
        x0 = left + (width - needed) / 2 + (channels == 1 ? LEDGROUP_SINGLE_SHIFT : 0);

    auto addRow =
        record->AddDinamicGroup ? record->AddDinamicGroup : DinamicControl_AddDinamicGroup;
    int result = 0;
    const int firstSlide = record->count;
    addRow(record, panel, kSlideStyle, LEDGROUP_SLIDE_WIDTH, LEDGROUP_SLIDE_HEIGHT, "P_F_INW",
           "Power", nullptr, nullptr, LEDGROUP_SLIDE_GAP, 0, channels, x0, top);
    for (int i = firstSlide; i < record->count; ++i)
        result = SetUpSlide(panel, record->created[i]);

    const int firstButton = record->count;
    addRow(record, panel, kButtonStyle, LEDGROUP_BUTTON_WIDTH, LEDGROUP_BUTTON_HEIGHT, "1_P_F_INW",
           nullptr, nullptr, nullptr, LEDGROUP_BUTTON_GAP, 0, channels, x0 - LEDGROUP_BUTTON_SHIFT,
           top + LEDGROUP_BUTTON_TOP);
    for (int i = firstButton; i < record->count; ++i)
        result = SetUpButton(panel, record->created[i]);
    return result;
}

int DinamicControl_AddDinamicGroup(LedGroupRecord* record, int panel, int style, int width,
                                   int height, const char* nameBase, const char* labelBase,
                                   CtrlCallbackPtr callback, void* callbackData, int gap,
                                   int /*unused*/, int count, int left, int top) {
    if (count < 0 || count > LEDGROUP_MAX_CONTROLS - record->count) return 0;
    auto buildOne = record->BuildOne ? record->BuildOne : DinamicControl_BuildOne;
    int x = left;
    for (int k = 0; k < count; ++k) {
        const std::string name = RowName(nameBase, k, count);
        const std::string label = labelBase != nullptr ? RowName(labelBase, k, count) : "";
        buildOne(record, panel, style, x, top, width, height, label.c_str(), name.c_str(), callback,
                 callbackData);
        x += width + gap;
    }
    PortComboRecord* ports = PortCombo_Record();
    if (ports->initParentSize != nullptr) {
        ports->initParentSize(ports, left + count * (width + gap) - gap + LEDGROUP_EDGE_MARGIN, 0,
                              PORTCOMBO_APPLY_FULL_LAYOUT | PORTCOMBO_ONLY_GROW);
    }
    return 1;
}

int DinamicControl_BuildOne(LedGroupRecord* record, int panel, int style, int left, int top,
                            int width, int height, const char* label, const char* name,
                            CtrlCallbackPtr callback, void* callbackData) {
    if (record->count >= LEDGROUP_MAX_CONTROLS) return 0;
    const std::string labelText = label != nullptr ? label : "";
    const int id = NewCtrl(panel, style, labelText, top, left);
    if (id <= 0) return 0;
    record->created[record->count++] = id;
    SetCtrlAttribute(panel, id, ATTR_CONSTANT_NAME, std::string(name != nullptr ? name : ""));
    SetCtrlAttribute(panel, id, ATTR_SIZE_TO_TEXT, 1);
    if (!labelText.empty()) {
        SetCtrlAttribute(panel, id, ATTR_LABEL_VISIBLE, 1);
        SetCtrlAttribute(panel, id, ATTR_LABEL_LEFT, VAL_AUTO_CENTER);
    } else {
        SetCtrlAttribute(panel, id, ATTR_LABEL_VISIBLE, 0);
        SetCtrlAttribute(panel, id, ATTR_LABEL_WIDTH, 0);
    }
    SetCtrlAttribute(panel, id, ATTR_WIDTH, width);
    SetCtrlAttribute(panel, id, ATTR_HEIGHT, height);
    if (callback != nullptr) InstallCtrlCallback(panel, id, callback, callbackData);
    return 1;
}

int DinamicControl_AddButtons(LedGroupRecord* record, int panel) {
    (record->AddGroupLeds ? record->AddGroupLeds : DinamicControl_AddGroupLeds)(record, panel, 8);
    return 1;
}

void DinamicControl_FreeAll(LedGroupRecord* record, int panel) {
    for (int i = 0; i < record->count; ++i) {
        DiscardCtrl(panel, record->created[i]);
        record->created[i] = 0;
    }
    record->count = 0;
}
