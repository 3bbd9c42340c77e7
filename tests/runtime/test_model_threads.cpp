// The model under concurrent use: engine-like threads set and read values while the
// user-interface thread fires commit callbacks that use the model too, panels are loaded and
// discarded while other threads still use them. Meant to run under ThreadSanitizer as well.
#include "model_fixture.h"

#include <atomic>
#include <thread>

namespace {

enum : int { NUM = 1, STR, BOX, RING, GRAPH, BUTTON };

std::string ThreadPanelDoc() {
    std::string body = Geometry(0, 0, 600, 400);
    body += Widget("QSpinBox", "NUM", Geometry(0, 0, 60, 20) + NumberProp("maximum", "100000000"));
    body += Widget("QLineEdit", "STR", Geometry(0, 30, 60, 20));
    body += Widget("QPlainTextEdit", "BOX", Geometry(0, 60, 200, 100));
    body += Widget("QComboBox", "RING",
                   Geometry(0, 170, 60, 20) +
                       "<item><property name=\"text\"><string>a</string></property></item>"
                       "<item><property name=\"text\"><string>b</string></property></item>\n");
    body += Widget("QCustomPlot", "GRAPH", Geometry(200, 0, 300, 200));
    body += Widget("QPushButton", "BUTTON", Geometry(0, 200, 60, 20));
    return UiDoc(Widget("QWidget", "THREADS", body));
}

class CountingObserver : public ModelObserver {
  public:
    void panelCreated(int) override { ++events; }
    void panelChanged(int, uint32_t) override { ++events; }
    void panelDiscarded(int) override { ++events; }
    void controlCreated(int, int) override { ++events; }
    void controlChanged(int, int, uint32_t) override { ++events; }
    void controlDiscarded(int, int) override { ++events; }
    std::atomic<long> events{0};
};

std::atomic<int> commits{0};

// A commit callback that reads and writes the model, as engine callbacks do.
int CommitCallback(int panel, int, int event, void*, int, int) {
    if (event != EVENT_COMMIT) return 0;
    int v = 0;
    GetCtrlVal(panel, NUM, &v);
    SetCtrlVal(panel, STR, std::to_string(v));
    SetCtrlVal(panel, BOX, "c");
    int dimmed = 0;
    GetCtrlAttribute(panel, RING, ATTR_DIMMED, &dimmed);
    SetCtrlAttribute(panel, RING, ATTR_DIMMED, !dimmed);
    ++commits;
    return 0;
}

class ModelThreads : public ModelTest {};

TEST_F(ModelThreads, WorkerThreadsAndCommitCallbacksShareTheModel) {
    int panel = load(ThreadPanelDoc(), "threads.uir");
    ASSERT_GT(panel, 0);
    CountingObserver observer;
    SetModelObserver(&observer);
    ASSERT_EQ(InstallCtrlCallback(panel, BUTTON, CommitCallback, nullptr), 0);
    commits = 0;

    constexpr int kWorkers = 3;
    constexpr int kRounds = 2000;
    std::atomic<int> failures{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            const double x[] = {0, 1, 2, 3}, y[] = {1, 2, 3, 4};
            for (int i = 0; i < kRounds; ++i) {
                if (SetCtrlVal(panel, NUM, w * kRounds + i) != 0) ++failures;
                int v = -1;
                if (GetCtrlVal(panel, NUM, &v) != 0 || v < 0) ++failures;
                if (SetCtrlVal(panel, BOX, "w") != 0) ++failures;
                if (SetCtrlIndex(panel, RING, i % 2) != 0) ++failures;
                int plot = PlotXY(panel, GRAPH, x, y, 4, VAL_CONNECTED_POINTS, 0, 0, 1, 0xFF0000);
                if (plot <= 0 || DeleteGraphPlot(panel, GRAPH, plot, VAL_DELAYED_DRAW) != 0)
                    ++failures;
                ControlSnapshot snap;
                if (!GetControlSnapshot(panel, BOX, &snap)) ++failures;
                int first = 0;
                GetCtrlAttribute(panel, BOX, ATTR_FIRST_VISIBLE_LINE, &first);
            }
        });
    }
    // The user-interface thread: commits by the person, panel snapshots as the view takes them.
    constexpr int kCommits = 1000;
    for (int i = 0; i < kCommits; ++i) {
        EXPECT_EQ(UserSetCtrlVal(panel, BUTTON, ""), 0);
        PanelSnapshot ps;
        EXPECT_TRUE(GetPanelSnapshot(panel, &ps));
    }
    for (auto& t : workers)
        t.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(commits.load(), kCommits);
    std::string text;
    GetCtrlVal(panel, BOX, &text);
    EXPECT_EQ(text.size(), static_cast<size_t>(kWorkers * kRounds + kCommits));
    int plots = -1;
    GetNumGraphPlots(panel, GRAPH, &plots);
    EXPECT_EQ(plots, 0);
    EXPECT_GT(observer.events.load(), kWorkers * kRounds);
    SetModelObserver(nullptr);
}

TEST_F(ModelThreads, DiscardingAPanelInUseByOtherThreadsIsSafe) {
    folder.write("threads.uir", ThreadPanelDoc());
    for (int round = 0; round < 5; ++round) {
        int panel = LoadPanel(0, "threads.uir", 1);
        ASSERT_GT(panel, 0);
        std::atomic<int> operations{0};
        std::atomic<int> unexpected{0};
        std::vector<std::thread> workers;
        for (int w = 0; w < 3; ++w) {
            workers.emplace_back([&] {
                const double x[] = {0, 1}, y[] = {1, 2};
                for (;;) {
                    int st = SetCtrlVal(panel, NUM, 7);
                    int v = 0;
                    int st2 = GetCtrlVal(panel, STR, &v);
                    int st3 = PlotXY(panel, GRAPH, x, y, 2, 0, 0, 0, 1, 0);
                    ControlSnapshot snap;
                    bool snapped = GetControlSnapshot(panel, BOX, &snap);
                    ++operations;
                    if (st == UIE_BadPanelHandle) {
                        // Once gone, the panel stays gone for every call.
                        if (st3 != UIE_BadPanelHandle ||
                            SetCtrlVal(panel, BOX, "x") != UIE_BadPanelHandle)
                            ++unexpected;
                        return;
                    }
                    if (st != 0 ||
                        (st2 != 0 && st2 != UIE_BadAttributeValue && st2 != UIE_BadPanelHandle) ||
                        (st3 <= 0 && st3 != UIE_BadPanelHandle) || (!snapped && PanelExists(panel)))
                        ++unexpected;
                }
            });
        }
        // A loader thread adds and discards child panels of the same panel meanwhile.
        std::thread loader([&] {
            for (int i = 0; i < 20; ++i) {
                int child = LoadPanel(panel, "threads.uir", 1);
                if (child > 0)
                    DiscardPanel(child);
                else if (child != UIE_BadPanelHandle)
                    ++unexpected;
            }
        });
        while (operations.load() < 300)
            std::this_thread::yield();
        EXPECT_EQ(DiscardPanel(panel), 0);
        for (auto& t : workers)
            t.join();
        loader.join();
        EXPECT_EQ(unexpected.load(), 0);
        EXPECT_FALSE(PanelExists(panel));
        EXPECT_TRUE(GetTopLevelPanels().empty());
    }
}

} // namespace
