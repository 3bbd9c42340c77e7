// Graphs: one QCustomPlot per graph control, one curve per model plot (points joined in their
// order, as plotted). Redrawn with a queued replot, so at most once per frame.
#include "runtime/qt/colors.h"
#include "runtime/qt/control_kinds.h"
#include "runtime/qt/control_view.h"
#include "runtime/qt/label_text.h"
#include "runtime/userint.h"

#include <qcustomplot.h>

#include <algorithm>
#include <map>

namespace {

Qt::PenStyle PenStyleOf(int lineStyle) {
    switch (lineStyle) {
    case VAL_DASH:
        return Qt::DashLine;
    case VAL_DOT:
        return Qt::DotLine;
    default:
        return Qt::SolidLine;
    }
}

QCPScatterStyle ScatterOf(const PlotSnapshot& p, const QColor& color) {
    // A thin line has no point marks; connected points and scatter plots show their point style.
    if (p.plotStyle != VAL_CONNECTED_POINTS && p.plotStyle != VAL_SCATTER) return QCPScatterStyle();
    switch (p.pointStyle) {
    case VAL_NO_POINT:
        return QCPScatterStyle();
    case VAL_SOLID_SQUARE:
        return QCPScatterStyle(QCPScatterStyle::ssSquare, color, color, 6);
    case VAL_SMALL_SOLID_SQUARE:
        return QCPScatterStyle(QCPScatterStyle::ssSquare, color, color, 3);
    default:
        return QCPScatterStyle(QCPScatterStyle::ssDisc, color, color, 4);
    }
}

class GraphView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    // The label is the graph's title, inside the plot.
    bool hasLabelAbove() const override { return false; }
    // A graph takes no value from a person; zoom and pan only change the view.
    bool showIndicator(bool /*indicator*/) override { return true; }

    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        plot_ = new QCustomPlot(host);
        // Plots are drawn in bright colours (white and yellow among them) on a dark area.
        plot_->axisRect()->setBackground(Qt::black);
        for (QCPAxis* axis : {plot_->xAxis, plot_->yAxis}) {
            axis->grid()->setPen(QPen(QColor(90, 90, 90), 0, Qt::DotLine));
        }
        plot_->legend->setBrush(QColor(0, 0, 0, 200));
        plot_->legend->setTextColor(Qt::white);
        plot_->legend->setBorderPen(QPen(Qt::gray));
        plot_->legend->setVisible(false);
        return plot_;
    }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        applyTitle(s);
        // A delayed change of the plots shows once the model draws it (a new revision).
        if (s.plotsRevision != revision_ || s.xOffset != shownOffset_) {
            syncPlots(s);
            revision_ = s.plotsRevision;
            shownOffset_ = s.xOffset;
        }
        if (s.xFormat != xFormat_) {
            if (s.xFormat == VAL_ABSOLUTE_TIME_FORMAT) {
                auto ticker = QSharedPointer<QCPAxisTickerTime>::create();
                ticker->setTimeFormat(QStringLiteral("%h:%m:%s"));
                plot_->xAxis->setTicker(ticker);
            } else {
                plot_->xAxis->setTicker(QSharedPointer<QCPAxisTicker>::create());
            }
            xFormat_ = s.xFormat;
        }
        plot_->xAxis->setLabel(QString::fromStdString(s.xName));
        plot_->yAxis->setLabel(QString::fromStdString(s.yName));
        // A graph that asks for legend items wants its plots named on the screen.
        plot_->legend->setVisible((s.legendVisible || s.legendVisibleItems > 0) &&
                                  !s.plots.empty());
        plot_->setInteractions(s.zoomAndPan ? QCP::iRangeDrag | QCP::iRangeZoom
                                            : QCP::Interactions());
        scaleAxis(plot_->xAxis, s.xAxis, s.xOffset);
        scaleAxis(plot_->yAxis, s.yAxis, 0.0);
        plot_->replot(QCustomPlot::rpQueuedReplot);
    }

  private:
    void applyTitle(const ControlSnapshot& s) {
        const bool show = s.labelVisible && !s.label.empty();
        if (show && title_ == nullptr) {
            plot_->plotLayout()->insertRow(0);
            title_ =
                new QCPTextElement(plot_, QString(), QFont(plot_->font().family(), 9, QFont::Bold));
            plot_->plotLayout()->addElement(0, 0, title_);
        } else if (!show && title_ != nullptr) {
            plot_->plotLayout()->remove(title_);
            plot_->plotLayout()->simplify();
            title_ = nullptr;
        }
        if (title_ != nullptr) title_->setText(PlainLabelText(s.label));
    }

    void syncPlots(const ControlSnapshot& s) {
        std::map<int, QCPCurve*> kept;
        for (const PlotSnapshot& p : s.plots) {
            QCPCurve* curve = nullptr;
            if (auto it = curves_.find(p.handle); it != curves_.end()) {
                curve = it->second;
                curves_.erase(it);
            } else {
                curve = new QCPCurve(plot_->xAxis, plot_->yAxis);
            }
            kept[p.handle] = curve;
            const size_t n = std::min(p.x.size(), p.y.size());
            QVector<double> keys(static_cast<qsizetype>(n)), values(static_cast<qsizetype>(n));
            for (size_t i = 0; i < n; ++i) {
                keys[static_cast<qsizetype>(i)] = p.x[i] + s.xOffset;
                values[static_cast<qsizetype>(i)] = p.y[i];
            }
            curve->setData(keys, values);
            const QColor color = ColorFromRgb(p.color);
            curve->setPen(QPen(color, 1, PenStyleOf(p.lineStyle)));
            curve->setLineStyle(p.plotStyle == VAL_SCATTER ? QCPCurve::lsNone : QCPCurve::lsLine);
            curve->setScatterStyle(ScatterOf(p, color));
            curve->setScatterSkip(std::max(0, p.pointFrequency - 1));
            curve->setName(QString::fromStdString(p.legendText));
        }
        for (auto& [handle, curve] : curves_)
            plot_->removePlottable(curve);
        curves_ = std::move(kept);
    }

    static void scaleAxis(QCPAxis* axis, const AxisSnapshot& a, double offset) {
        if (a.mode == VAL_AUTOSCALE) {
            bool anyData = false;
            for (QCPAbstractPlottable* p : axis->plottables()) {
                if (p->interface1D() != nullptr && p->interface1D()->dataCount() > 0)
                    anyData = true;
            }
            if (anyData) axis->rescale(true);
        } else if (a.max > a.min) {
            axis->setRange(a.min + offset, a.max + offset);
        }
    }

    QCustomPlot* plot_ = nullptr;
    QCPTextElement* title_ = nullptr;
    std::map<int, QCPCurve*> curves_; // by plot handle
    uint64_t revision_ = ~uint64_t{0};
    double shownOffset_ = 0.0;
    int xFormat_ = -1;
};

} // namespace

ControlView* NewGraphView(int panel, int control) {
    return new GraphView(panel, control);
}
