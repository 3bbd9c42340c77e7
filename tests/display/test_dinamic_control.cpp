// The LED group built for the device's channel count: positions, names, labels and settings of
// the slides and buttons, the width told to port selection, the messages for no channels and for
// too many, and a second build replacing the first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/dinamic_control.h"
#include "engine/app_record.h"
#include "runtime/popups.h"
#include "runtime/userint.h"
#include "serial/port_combo.h"
#include "tests/runtime/model_fixture.h"

namespace {

std::vector<std::vector<int>> gParentSizes;

void RecordParentSize(PortComboRecord*, int32_t width, int32_t height, int32_t flags) {
    gParentSizes.push_back({width, height, flags});
}

int Attr(int panel, int control, int attr) {
    int v = -1;
    EXPECT_GE(GetCtrlAttribute(panel, control, attr, &v), 0) << attr;
    return v;
}
double DoubleAttr(int panel, int control, int attr) {
    double v = -1;
    EXPECT_GE(GetCtrlAttribute(panel, control, attr, &v), 0) << attr;
    return v;
}
std::string TextAttr(int panel, int control, int attr) {
    std::string v;
    EXPECT_GE(GetCtrlAttribute(panel, control, attr, &v), 0) << attr;
    return v;
}

class LedGroup : public ::testing::Test {
  protected:
    LedGroupRecord* record = nullptr;
    PanelFolder folder;
    int panel = 0;
    int marker = 0;

    void SetUp() override {
        ResetUserInterfaceModelForTesting();
        ResetScriptedPopups();
        MainWorking_INIT_POINTERS(&TheAppRecord());
        record = DinamicControl_INIT_POINTERS();
        PortCombo_INIT_POINTERS();
        PortCombo_Record()->initParentSize = RecordParentSize;
        gParentSizes.clear();
    }
    void TearDown() override {
        PortCombo_INIT_POINTERS();
        DinamicControl_INIT_POINTERS();
        MainWorking_INIT_POINTERS(&TheAppRecord());
        ResetUserInterfaceModelForTesting();
    }
    // A panel with the area marker at (left, top), `width` wide.
    void MakePanel(int left, int top, int width) {
        folder.write("leds.uir",
                     UiDoc(Widget("QWidget", "PANEL",
                                  Geometry(0, 0, 1200, 600) + StringProp("windowTitle", "LEDs") +
                                      Widget("QLabel", "LED_LEFTPIX",
                                             Geometry(left, top, width, 20) +
                                                 StringProp("text", "Text Message")))));
        SetPanelFileFolder(folder.path());
        panel = LoadPanel(0, "leds.uir", 1);
        ASSERT_GT(panel, 0);
        GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &marker);
        TheAppRecord().ledLeftPixCtrl.store(marker);
    }
    int Created(int i) const { return record->created[i]; }
};

TEST_F(LedGroup, OneChannelIsCentredAndShiftedWithoutSuffixes) {
    MakePanel(50, 150, 400);
    record->AddGroupLeds(record, panel, 1);
    ASSERT_EQ(record->count, 2);
    const int slide = Created(0), button = Created(1);
    EXPECT_EQ(Attr(panel, slide, ATTR_LEFT), 239);
    EXPECT_EQ(Attr(panel, slide, ATTR_TOP), 150);
    EXPECT_EQ(Attr(panel, button, ATTR_LEFT), 206);
    EXPECT_EQ(Attr(panel, button, ATTR_TOP), 150 + 345);
    EXPECT_EQ(TextAttr(panel, slide, ATTR_CONSTANT_NAME), "P_F_INW");
    EXPECT_EQ(TextAttr(panel, slide, ATTR_LABEL_TEXT), "Power");
    EXPECT_EQ(TextAttr(panel, button, ATTR_CONSTANT_NAME), "1_P_F_INW");
    EXPECT_EQ(gParentSizes,
              (std::vector<std::vector<int>>{{239 + 13 + 5, 0, 3}, {206 + 78 + 5, 0, 3}}));
}

TEST_F(LedGroup, FourChannelsOnAWideAreaAndTheWidthsToldToPortSelection) {
    MakePanel(0, 100, 1000);
    record->AddGroupLeds(record, panel, 4);
    ASSERT_EQ(record->count, 8);
    const int slideLefts[] = {200, 313, 426, 539};
    const int buttonLefts[] = {167, 280, 393, 506};
    for (int k = 0; k < 4; ++k) {
        const int slide = Created(k), button = Created(4 + k);
        const std::string suffix = "_" + std::to_string(k);
        EXPECT_EQ(Attr(panel, slide, ATTR_LEFT), slideLefts[k]) << k;
        EXPECT_EQ(Attr(panel, button, ATTR_LEFT), buttonLefts[k]) << k;
        EXPECT_EQ(Attr(panel, slide, ATTR_TOP), 100);
        EXPECT_EQ(Attr(panel, button, ATTR_TOP), 445);
        EXPECT_EQ(TextAttr(panel, slide, ATTR_CONSTANT_NAME), "P_F_INW" + suffix);
        EXPECT_EQ(TextAttr(panel, slide, ATTR_LABEL_TEXT), "Power" + suffix);
        EXPECT_EQ(TextAttr(panel, button, ATTR_CONSTANT_NAME), "1_P_F_INW" + suffix);
    }
    EXPECT_EQ(gParentSizes, (std::vector<std::vector<int>>{{557, 0, 3}, {589, 0, 3}}));
}

TEST_F(LedGroup, SlidesAndButtonsCarryTheirSettings) {
    MakePanel(0, 100, 1000);
    record->AddGroupLeds(record, panel, 2);
    const int slide = Created(0), button = Created(2);
    EXPECT_EQ(Attr(panel, slide, ATTR_CTRL_STYLE), CTRL_NUMERIC_VSLIDE);
    EXPECT_EQ(Attr(panel, slide, ATTR_WIDTH), 13);
    EXPECT_EQ(Attr(panel, slide, ATTR_HEIGHT), 300);
    EXPECT_EQ(DoubleAttr(panel, slide, ATTR_MIN_VALUE), 0.0);
    EXPECT_EQ(DoubleAttr(panel, slide, ATTR_MAX_VALUE), 100.0);
    EXPECT_EQ(Attr(panel, slide, ATTR_PRECISION), 3);
    EXPECT_EQ(Attr(panel, slide, ATTR_FILL_COLOR), 0xFF0000);
    EXPECT_EQ(Attr(panel, slide, ATTR_LABEL_VISIBLE), 1);
    EXPECT_EQ(Attr(panel, slide, ATTR_DIG_DISP_LEFT), Attr(panel, slide, ATTR_LEFT) - 35);
    double value = -1;
    GetCtrlVal(panel, slide, &value);
    EXPECT_EQ(value, 0.0);

    EXPECT_EQ(Attr(panel, button, ATTR_CTRL_STYLE), CTRL_SQUARE_BUTTON);
    EXPECT_EQ(Attr(panel, button, ATTR_WIDTH), 78);
    EXPECT_EQ(Attr(panel, button, ATTR_HEIGHT), 28);
    EXPECT_EQ(Attr(panel, button, ATTR_LABEL_VISIBLE), 0);
    EXPECT_EQ(Attr(panel, button, ATTR_ON_COLOR), 0x64FF00);
    EXPECT_EQ(Attr(panel, button, ATTR_OFF_COLOR), 0xBFBFBF);
    EXPECT_EQ(TextAttr(panel, button, ATTR_ON_TEXT), "OFF/ON");
    EXPECT_EQ(TextAttr(panel, button, ATTR_OFF_TEXT), "OFF/ON");
    EXPECT_EQ(Attr(panel, button, ATTR_TEXT_POINT_SIZE), 12);
}

TEST_F(LedGroup, ANarrowAreaStartsTheRowAtItsLeftPlus39) {
    MakePanel(10, 100, 300);
    record->AddGroupLeds(record, panel, 4);
    EXPECT_EQ(Attr(panel, Created(0), ATTR_LEFT), 49);
    EXPECT_EQ(Attr(panel, Created(3), ATTR_LEFT), 49 + 3 * 113);
    EXPECT_EQ(Attr(panel, Created(4), ATTR_LEFT), 16);
}

TEST_F(LedGroup, NoChannelsShowsNoDacAndCreatesNothing) {
    MakePanel(0, 100, 1000);
    for (int n : {0, -1}) {
        record->AddGroupLeds(record, panel, n);
        EXPECT_EQ(record->count, 0);
        const auto shown = TakeShownPopups();
        ASSERT_EQ(shown.size(), 1u) << n;
        EXPECT_EQ(shown[0].title, "Error occured");
        EXPECT_EQ(shown[0].text, "No DAC\nCheck switch power on");
    }
    int first = 0;
    GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &first);
    int next = -1;
    GetCtrlAttribute(panel, first, ATTR_NEXT_CTRL, &next);
    EXPECT_EQ(next, 0) << "the marker is still the only control";
}

TEST_F(LedGroup, MoreChannelsThanTheRecordHoldsAreRefused) {
    MakePanel(0, 100, 1000);
    record->AddGroupLeds(record, panel, 26);
    EXPECT_EQ(record->count, 0);
    const auto shown = TakeShownPopups();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "Too many LED channels: 26 (at most 25)");

    record->AddGroupLeds(record, panel, 25);
    EXPECT_EQ(record->count, 50);
    EXPECT_TRUE(TakeShownPopups().empty());
    EXPECT_EQ(TextAttr(panel, Created(49), ATTR_CONSTANT_NAME), "1_P_F_INW_24");
}

TEST_F(LedGroup, ASecondBuildDiscardsTheFirst) {
    MakePanel(0, 100, 1000);
    record->AddGroupLeds(record, panel, 4);
    const std::vector<int> old(record->created, record->created + 8);
    record->AddGroupLeds(record, panel, 2);
    EXPECT_EQ(record->count, 4);
    for (int id : old) {
        int left = 0;
        EXPECT_LT(GetCtrlAttribute(panel, id, ATTR_LEFT, &left), 0) << "discarded " << id;
    }
    EXPECT_EQ(TextAttr(panel, Created(1), ATTR_CONSTANT_NAME), "P_F_INW_1");
    EXPECT_EQ(record->created[4], 0);
}

TEST_F(LedGroup, WithoutAnAreaMarkerNothingHappens) {
    MakePanel(0, 100, 1000);
    TheAppRecord().ledLeftPixCtrl.store(0);
    EXPECT_EQ(record->AddGroupLeds(record, panel, 0), 0);
    EXPECT_EQ(record->count, 0);
    EXPECT_TRUE(TakeShownPopups().empty());
}

TEST_F(LedGroup, AddButtonsBuildsEightChannelsAndFreeAllEmptiesTheRecord) {
    MakePanel(0, 100, 1000);
    EXPECT_EQ(record->AddButtons(record, panel), 1);
    EXPECT_EQ(record->count, 16);
    const int last = Created(15);
    record->FreeAll(record, panel);
    EXPECT_EQ(record->count, 0);
    int left = 0;
    EXPECT_LT(GetCtrlAttribute(panel, last, ATTR_LEFT, &left), 0);
}

} // namespace
