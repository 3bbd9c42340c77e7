// Pictures of panels: SavePanelImage renders a panel into a PNG file. Rendering every shipped
// panel checks that each one loads and draws; the pictures land in CORVANE_SCREENSHOT_DIR when
// it is set (for the documentation), else in the build folder.
#include "tests/view/view_fixture.h"

#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

class PanelImageTest : public ViewTest {};

int DistinctColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

TEST_F(PanelImageTest, SavesTheRenderedPanelAsPng) {
    const std::string controls =
        UiControl("QSpinBox", "NUM", 20, 40, 100, 24, UiText("label", "Number")) +
        UiControl("QPushButton", "GO", 150, 40, 80, 28, UiText("text", "Go", false)) +
        UiControl("QCustomPlot", "GRAPH", 20, 90, 260, 100);
    const int panel = LoadPanel(0, writePanel("picture.uir", controls, 300, 200), 1);
    ASSERT_GT(panel, 0);
    const std::string png = dir_ + "/picture.png";
    // Not displayed: the picture is drawn all the same.
    ASSERT_EQ(SavePanelImage(panel, png), 0);
    const QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QtPanelWidget(panel)->size());
    EXPECT_GE(image.width(), 300);
    EXPECT_GE(image.height(), 200);
    EXPECT_GT(DistinctColours(image), 4); // controls drawn, not a blank area
}

TEST_F(PanelImageTest, RefusesABadPanelOrPath) {
    EXPECT_EQ(SavePanelImage(999, dir_ + "/none.png"), UIE_BadPanelHandle);
    const int panel = LoadPanel(0, writePanel("p.uir", ""), 1);
    ASSERT_GT(panel, 0);
    EXPECT_EQ(SavePanelImage(panel, dir_ + "/no/such/folder/p.png"), UIE_BadArgument);
}

TEST_F(PanelImageTest, EveryShippedPanelRenders) {
    const char* target = std::getenv("CORVANE_SCREENSHOT_DIR");
    const fs::path out =
        target != nullptr ? fs::path(target) : fs::path(CORVANE_BIN_DIR) / "screenshots";
    fs::create_directories(out);
    int rendered = 0;
    for (const auto& entry : fs::directory_iterator(CORVANE_BIN_DIR)) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension != ".uir") continue;
        // Every panel of the file, in order; a file with only a menu bar has none.
        for (int number = 1;; ++number) {
            const int panel = LoadPanel(0, entry.path().string(), number);
            if (panel <= 0) break;
            const std::string png =
                (out / (entry.path().stem().string() + "-" + std::to_string(number) + ".png"))
                    .string();
            ASSERT_EQ(SavePanelImage(panel, png), 0) << png;
            const QImage image(QString::fromStdString(png));
            int width = 0, height = 0;
            GetPanelAttribute(panel, ATTR_WIDTH, &width);
            GetPanelAttribute(panel, ATTR_HEIGHT, &height);
            EXPECT_GE(image.width(), width) << png;
            EXPECT_GE(image.height(), height) << png;
            ++rendered;
        }
    }
    EXPECT_GT(rendered, 10);
}

} // namespace
