// Graphs: plots stored in the model, axes and cursors. Every drawn change raises the graph's
// revision and tells the view with CHANGE_PLOTS; a delayed delete waits for RefreshGraph.
#include "runtime/model_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

using namespace corvane::model;

namespace {

template <class Fn> int WithGraph(int panel, int control, Fn fn) {
    auto lock = LockModel();
    Panel* p = nullptr;
    Control* c = nullptr;
    int st = LookupControl(panel, control, &p, &c);
    if (st < 0) return st;
    if (c->kind != KIND_GRAPH) return UIE_WrongControlKind;
    bool drawn = false;
    st = fn(c->graph, &drawn);
    if (drawn) {
        ++c->graph.revision;
        NotifyControlChanged(panel, control, CHANGE_PLOTS);
    }
    return st;
}

PlotData* FindPlot(GraphData& g, int handle) {
    for (auto& plot : g.plots)
        if (plot.handle == handle) return &plot;
    return nullptr;
}

AxisData* FindAxis(GraphData& g, int axis) {
    if (axis == VAL_XAXIS) return &g.x;
    if (axis == VAL_LEFT_YAXIS) return &g.y;
    return nullptr;
}

// The range of the plotted data along one axis; false when there are no finite points.
bool DataRange(const GraphData& g, bool alongX, double* min, double* max) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const auto& plot : g.plots) {
        for (double v : alongX ? plot.x : plot.y) {
            if (!std::isfinite(v)) continue;
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    if (lo > hi) return false;
    if (lo == hi) { // a flat line still gets a visible range around it
        lo -= 1.0;
        hi += 1.0;
    }
    *min = lo;
    *max = hi;
    return true;
}

bool IsColor(int c) {
    return c >= 0 && c <= 0xFFFFFF;
}

} // namespace

int PlotXY(int panel, int control, const double* x, const double* y, int n, int plotStyle,
           int pointStyle, int lineStyle, int pointFrequency, int color) {
    if (n < 0 || (n > 0 && (!x || !y)) || pointFrequency < 1) return UIE_BadArgument;
    if (!IsColor(color)) return UIE_BadAttributeValue;
    PlotData plot; // copied before taking the lock
    plot.x.assign(x, x + n);
    plot.y.assign(y, y + n);
    plot.plotStyle = plotStyle;
    plot.pointStyle = pointStyle;
    plot.lineStyle = lineStyle;
    plot.pointFrequency = pointFrequency;
    plot.color = color;
    return WithGraph(panel, control, [&](GraphData& g, bool* drawn) {
        plot.handle = g.nextPlot++;
        g.plots.push_back(std::move(plot));
        *drawn = true;
        return g.plots.back().handle;
    });
}

int DeleteGraphPlot(int panel, int control, int plot, int refresh) {
    if (refresh != VAL_IMMEDIATE_DRAW && refresh != VAL_DELAYED_DRAW) return UIE_BadArgument;
    return WithGraph(panel, control, [&](GraphData& g, bool* drawn) {
        if (plot == -1) {
            g.plots.clear();
        } else {
            auto it = std::find_if(g.plots.begin(), g.plots.end(),
                                   [&](const PlotData& p) { return p.handle == plot; });
            if (it == g.plots.end()) return static_cast<int>(UIE_BadPlotHandle);
            g.plots.erase(it);
        }
        *drawn = refresh == VAL_IMMEDIATE_DRAW;
        return 0;
    });
}

int RefreshGraph(int panel, int control) {
    return WithGraph(panel, control, [](GraphData&, bool* drawn) {
        *drawn = true;
        return 0;
    });
}

int SetPlotAttribute(int panel, int control, int plot, int attr, int value) {
    return WithGraph(panel, control, [&](GraphData& g, bool* drawn) {
        PlotData* p = FindPlot(g, plot);
        if (!p) return static_cast<int>(UIE_BadPlotHandle);
        if (attr == ATTR_PLOT_LG_TEXT) return static_cast<int>(UIE_BadArgument);
        if (attr != ATTR_TRACE_COLOR) return static_cast<int>(UIE_BadAttribute);
        if (!IsColor(value)) return static_cast<int>(UIE_BadAttributeValue);
        *drawn = p->color != value;
        p->color = value;
        return 0;
    });
}

int SetPlotAttribute(int panel, int control, int plot, int attr, const std::string& value) {
    return WithGraph(panel, control, [&](GraphData& g, bool* drawn) {
        PlotData* p = FindPlot(g, plot);
        if (!p) return static_cast<int>(UIE_BadPlotHandle);
        if (attr == ATTR_TRACE_COLOR) return static_cast<int>(UIE_BadArgument);
        if (attr != ATTR_PLOT_LG_TEXT) return static_cast<int>(UIE_BadAttribute);
        *drawn = p->legendText != value;
        p->legendText = value;
        return 0;
    });
}

int GetPlotAttribute(int panel, int control, int plot, int attr, int* value) {
    if (!value) return UIE_BadArgument;
    return WithGraph(panel, control, [&](GraphData& g, bool*) {
        PlotData* p = FindPlot(g, plot);
        if (!p) return static_cast<int>(UIE_BadPlotHandle);
        if (attr == ATTR_PLOT_LG_TEXT) return static_cast<int>(UIE_BadArgument);
        if (attr != ATTR_TRACE_COLOR) return static_cast<int>(UIE_BadAttribute);
        *value = p->color;
        return 0;
    });
}

int GetPlotAttribute(int panel, int control, int plot, int attr, std::string* value) {
    if (!value) return UIE_BadArgument;
    return WithGraph(panel, control, [&](GraphData& g, bool*) {
        PlotData* p = FindPlot(g, plot);
        if (!p) return static_cast<int>(UIE_BadPlotHandle);
        if (attr == ATTR_TRACE_COLOR) return static_cast<int>(UIE_BadArgument);
        if (attr != ATTR_PLOT_LG_TEXT) return static_cast<int>(UIE_BadAttribute);
        *value = p->legendText;
        return 0;
    });
}

int GetNumGraphPlots(int panel, int control, int* count) {
    if (!count) return UIE_BadArgument;
    return WithGraph(panel, control, [&](GraphData& g, bool*) {
        *count = static_cast<int>(g.plots.size());
        return 0;
    });
}

int GetAxisScalingMode(int panel, int control, int axis, int* mode, double* min, double* max) {
    return WithGraph(panel, control, [&](GraphData& g, bool*) {
        AxisData* a = FindAxis(g, axis);
        if (!a) return static_cast<int>(UIE_BadArgument);
        double lo = a->min, hi = a->max;
        // An autoscaled axis reports the range it shows: that of the data.
        if (a->mode == VAL_AUTOSCALE) DataRange(g, axis == VAL_XAXIS, &lo, &hi);
        if (mode) *mode = a->mode;
        if (min) *min = lo;
        if (max) *max = hi;
        return 0;
    });
}

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max) {
    if (mode != VAL_MANUAL && mode != VAL_AUTOSCALE) return UIE_BadArgument;
    if (mode == VAL_MANUAL && !(min < max && std::isfinite(min) && std::isfinite(max)))
        return UIE_BadAttributeValue;
    return WithGraph(panel, control, [&](GraphData& g, bool* drawn) {
        AxisData* a = FindAxis(g, axis);
        if (!a) return static_cast<int>(UIE_BadArgument);
        AxisData next = *a;
        next.mode = mode;
        if (mode == VAL_MANUAL) {
            next.min = min;
            next.max = max;
        }
        *drawn = next.mode != a->mode || next.min != a->min || next.max != a->max;
        *a = next;
        return 0;
    });
}

int SetCursorAttribute(int panel, int control, int cursor, int attr, int value) {
    return WithGraph(panel, control, [&](GraphData& g, bool* drawn) {
        if (cursor < 1) return static_cast<int>(UIE_BadArgument);
        if (attr != ATTR_CURSOR_MODE) return static_cast<int>(UIE_BadAttribute);
        auto it = g.cursorModes.find(cursor);
        *drawn = it == g.cursorModes.end() || it->second != value;
        g.cursorModes[cursor] = value;
        return 0;
    });
}
