// Graphs: the model's plots, axes and captions on a QCustomPlot, redrawn at most once a frame.
#include "tests/view/view_fixture.h"

#include "runtime/qt/view.h"
#include "runtime/userint.h"

#include <qcustomplot.h>

#include <atomic>
#include <thread>

namespace {

class GraphTest : public ViewTest {
  protected:
    void SetUp() override {
        ViewTest::SetUp();
        const std::string controls = UiControl("QCustomPlot", "GRAPH", 10, 30, 380, 250,
                                               UiText("xName", "Time") + UiText("yName", "Value") +
                                                   UiText("label", "Chart"));
        panel_ = showPanel(writePanel("graph.uir", controls, 400, 300));
        ASSERT_GT(panel_, 0);
        graph_ = ctrl(panel_, "GRAPH");
        ASSERT_GT(graph_, 0);
        plot_ = qobject_cast<QCustomPlot*>(QtControlWidget(panel_, graph_));
        ASSERT_NE(plot_, nullptr);
    }

    QCPCurve* curve(int i) { return qobject_cast<QCPCurve*>(plot_->plottable(i)); }

    int panel_ = 0;
    int graph_ = 0;
    QCustomPlot* plot_ = nullptr;
};

TEST_F(GraphTest, PlotsFromAnotherThreadAppearWithTheirStyles) {
    std::thread worker([&] {
        const double x[] = {0, 1, 2};
        const double y[] = {1, 4, 9};
        const int h1 = PlotXY(panel_, graph_, x, y, 3, VAL_CONNECTED_POINTS, VAL_SMALL_SOLID_SQUARE,
                              VAL_SOLID, 1, VAL_RED);
        PlotXY(panel_, graph_, x, x, 3, VAL_THIN_LINE, VAL_SOLID_SQUARE, VAL_DASH, 1, 0x00FFFF);
        SetPlotAttribute(panel_, graph_, h1, ATTR_PLOT_LG_TEXT, std::string("Sensor"));
        SetCtrlAttribute(panel_, graph_, ATTR_LEGEND_VISIBLE, 1);
    });
    worker.join();
    ASSERT_TRUE(
        waitFor([&] { return plot_->plottableCount() == 2 && plot_->legend->visible(); }, 3000));
    QCPCurve* sensor = curve(0);
    ASSERT_NE(sensor, nullptr);
    EXPECT_EQ(sensor->name(), "Sensor");
    EXPECT_EQ(sensor->pen().color(), QColor(255, 0, 0));
    EXPECT_EQ(sensor->lineStyle(), QCPCurve::lsLine);
    EXPECT_EQ(sensor->scatterStyle().shape(), QCPScatterStyle::ssSquare);
    ASSERT_EQ(sensor->data()->size(), 3);
    EXPECT_DOUBLE_EQ((sensor->data()->constBegin() + 2)->value, 9.0);
    QCPCurve* line = curve(1);
    EXPECT_EQ(line->pen().color(), QColor(0, 255, 255));
    EXPECT_EQ(line->pen().style(), Qt::DashLine);
    EXPECT_TRUE(line->scatterStyle().isNone()); // a thin line has no point marks
    EXPECT_EQ(plot_->xAxis->label(), "Time");
    EXPECT_EQ(plot_->yAxis->label(), "Value");

    DeleteGraphPlot(panel_, graph_, -1, VAL_DELAYED_DRAW);
    FlushQtView();
    EXPECT_EQ(plot_->plottableCount(), 2); // a delayed delete waits for the redraw
    RefreshGraph(panel_, graph_);
    FlushQtView();
    EXPECT_EQ(plot_->plottableCount(), 0);
}

TEST_F(GraphTest, ElapsedTimeAxisWithManualAndAutomaticScaling) {
    const double start = 1000.0;
    SetCtrlAttribute(panel_, graph_, ATTR_XFORMAT, VAL_ABSOLUTE_TIME_FORMAT);
    SetCtrlAttribute(panel_, graph_, ATTR_XAXIS_OFFSET, -start);
    SetAxisScalingMode(panel_, graph_, VAL_XAXIS, VAL_MANUAL, start, start + 60.0);
    SetAxisScalingMode(panel_, graph_, VAL_LEFT_YAXIS, VAL_AUTOSCALE, 0, 0);
    const double x[] = {start, start + 30.0};
    const double y[] = {120.0, 480.0};
    PlotXY(panel_, graph_, x, y, 2, VAL_CONNECTED_POINTS, VAL_SMALL_SOLID_SQUARE, VAL_SOLID, 1,
           VAL_GREEN);
    FlushQtView();

    EXPECT_NE(plot_->xAxis->ticker().dynamicCast<QCPAxisTickerTime>(), nullptr);
    // The axis reads the seconds since the first point.
    EXPECT_DOUBLE_EQ(plot_->xAxis->range().lower, 0.0);
    EXPECT_DOUBLE_EQ(plot_->xAxis->range().upper, 60.0);
    ASSERT_EQ(plot_->plottableCount(), 1);
    EXPECT_DOUBLE_EQ((curve(0)->data()->constBegin() + 1)->key, 30.0);
    EXPECT_LE(plot_->yAxis->range().lower, 120.0);
    EXPECT_GE(plot_->yAxis->range().upper, 480.0);
    EXPECT_LT(plot_->yAxis->range().size(), 1000.0);

    SetAxisScalingMode(panel_, graph_, VAL_XAXIS, VAL_AUTOSCALE, 0, 0);
    SetAxisScalingMode(panel_, graph_, VAL_LEFT_YAXIS, VAL_MANUAL, 0.0, 1023.0);
    SetCtrlAttribute(panel_, graph_, ATTR_XFORMAT, 0);
    FlushQtView();
    EXPECT_DOUBLE_EQ(plot_->yAxis->range().upper, 1023.0);
    EXPECT_LE(plot_->xAxis->range().lower, 0.0);
    EXPECT_GE(plot_->xAxis->range().upper, 30.0);
    EXPECT_EQ(plot_->xAxis->ticker().dynamicCast<QCPAxisTickerTime>(), nullptr);
}

TEST_F(GraphTest, AThreadDrawingFastCausesFewRedraws) {
    constexpr int kDraws = 2000;
    std::atomic<int> replots{0};
    QObject::connect(plot_, &QCustomPlot::afterReplot, plot_, [&] { ++replots; });
    std::atomic<bool> done{false};
    std::thread worker([&] {
        std::vector<double> x, y;
        for (int i = 0; i < kDraws; ++i) {
            x.push_back(i);
            y.push_back(i % 100);
            DeleteGraphPlot(panel_, graph_, -1, VAL_DELAYED_DRAW);
            PlotXY(panel_, graph_, x.data(), y.data(), static_cast<int>(x.size()),
                   VAL_CONNECTED_POINTS, VAL_SMALL_SOLID_SQUARE, VAL_SOLID, 1, VAL_RED);
        }
        done = true;
    });
    const bool finished = waitFor(
        [&] {
            return done.load() && plot_->plottableCount() == 1 &&
                   curve(0)->data()->size() == kDraws;
        },
        30000);
    worker.join();
    EXPECT_TRUE(finished);
    spin(50);
    EXPECT_GE(replots.load(), 1);
    EXPECT_LT(replots.load(), kDraws / 10) << replots.load() << " redraws";
}

} // namespace
