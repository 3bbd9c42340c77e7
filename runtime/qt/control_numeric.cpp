// Numerics (spin boxes) and numeric slides.
#include "runtime/qt/colors.h"
#include "runtime/qt/control_kinds.h"
#include "runtime/qt/control_view.h"
#include "runtime/userint.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// Limits used when a control has no range of its own (minimum not below maximum).
constexpr double kOpenRange = 1e12;

struct Range {
    double low, high;
};

// The control's range, widened to include the value so that the widget never shows a clamped
// number that differs from the model's.
Range RangeOf(const ControlSnapshot& s) {
    Range r{s.minValue, s.maxValue};
    if (!(r.high > r.low)) r = {-kOpenRange, kOpenRange};
    if (std::isfinite(s.numericValue)) {
        r.low = std::min(r.low, s.numericValue);
        r.high = std::max(r.high, s.numericValue);
    }
    return r;
}

int ToInt(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int>(std::clamp(std::llround(v), static_cast<long long>(INT_MIN),
                                       static_cast<long long>(INT_MAX)));
}

void WriteNumber(int panel, int control, int dataType, double value) {
    if (dataType == VAL_INTEGER) {
        SetCtrlVal(panel, control, ToInt(value));
    } else {
        SetCtrlVal(panel, control, value);
    }
}

class NumericView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        if (dataType_ == VAL_INTEGER) {
            auto* box = new QSpinBox(host);
            intBox_ = box;
            box_ = box;
            connect(box, &QSpinBox::valueChanged, this, [this](int v) { userValue(v); });
        } else {
            auto* box = new QDoubleSpinBox(host);
            doubleBox_ = box;
            box_ = box;
            connect(box, &QDoubleSpinBox::valueChanged, this, [this](double v) { userValue(v); });
        }
        // valueChanged then means a finished entry: Enter, focus change, arrows, wheel.
        box_->setKeyboardTracking(false);
        return box_;
    }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        const Range r = RangeOf(s);
        if (intBox_ != nullptr) {
            intBox_->setRange(ToInt(r.low), ToInt(r.high));
        } else {
            doubleBox_->setDecimals(std::clamp(s.precision, 0, 15));
            doubleBox_->setRange(r.low, r.high);
        }
        // A number the person is typing stays until it is committed.
        auto* edit = box_->findChild<QLineEdit*>();
        if (box_->hasFocus() && edit != nullptr && edit->isModified()) return;
        if (intBox_ != nullptr) {
            intBox_->setValue(ToInt(s.numericValue));
        } else {
            doubleBox_->setValue(s.numericValue);
        }
    }

    // An indicator shows its number read-only and without step buttons; the person can still
    // select and copy it. A number being typed when the control becomes an indicator gives way
    // to the model's.
    bool showIndicator(bool indicator) override {
        box_->setReadOnly(indicator);
        box_->setButtonSymbols(indicator ? QAbstractSpinBox::NoButtons
                                         : QAbstractSpinBox::UpDownArrows);
        auto* edit = box_->findChild<QLineEdit*>();
        if (indicator && edit != nullptr) edit->setModified(false);
        return true;
    }

    void enterPressed() override {
        committedByChange_ = false;
        box_->interpretText(); // commits through valueChanged when the number changed
        if (!committedByChange_) fireCommit();
    }

    void focusLeaving() override { box_->interpretText(); }

  private:
    void userValue(double v) {
        if (applying() || disposed() || indicator_) return;
        WriteNumber(panel_, control_, dataType_, v);
        committedByChange_ = true;
        fireCommit();
    }

    QAbstractSpinBox* box_ = nullptr;
    QSpinBox* intBox_ = nullptr;
    QDoubleSpinBox* doubleBox_ = nullptr;
    bool committedByChange_ = false;
};

class SlideView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    QWidget* createWidget(QWidget* host, const ControlSnapshot& s) override {
        slider_ = new QSlider(s.style == CTRL_NUMERIC_VSLIDE ? Qt::Vertical : Qt::Horizontal, host);
        // valueChanged then means a finished move: release, keys, wheel.
        slider_->setTracking(false);
        connect(slider_, &QSlider::valueChanged, this, [this](int position) {
            if (applying() || disposed()) return;
            WriteNumber(panel_, control_, dataType_, position / scale_);
            fireCommit();
        });
        value_ = new QLabel(host);
        value_->hide();
        return slider_;
    }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        const Range r = RangeOf(s);
        // Slider positions are integers: a fractional control moves in steps of its precision,
        // as far as a reasonable number of positions allows.
        scale_ = 1.0;
        if (dataType_ != VAL_INTEGER) {
            for (int digits = 0; digits < std::min(s.precision, 6); ++digits) {
                if ((r.high - r.low) * scale_ * 10.0 > 100000.0) break;
                scale_ *= 10.0;
            }
        }
        slider_->setRange(ToInt(r.low * scale_), ToInt(r.high * scale_));
        if (!slider_->isSliderDown()) slider_->setValue(ToInt(s.numericValue * scale_));
        const QString text = QString::fromStdString(s.valueText);
        value_->setText(text);
        // The value also when the digital display is off, unless the control has a tooltip.
        if (s.tooltip.empty()) slider_->setToolTip(text);
        if (s.fillColor != shownFill_) {
            QPalette palette = slider_->palette();
            palette.setColor(QPalette::Highlight, s.fillColor >= 0
                                                      ? ColorFromRgb(s.fillColor)
                                                      : QPalette().color(QPalette::Highlight));
            slider_->setPalette(palette);
            shownFill_ = s.fillColor;
        }
    }

    // The digital display sits under the slide, from its own left edge.
    void placeExtras(const ControlSnapshot& s) override {
        if (value_ == nullptr) return;
        const QRect body = slider_->geometry();
        const QSize text = value_->sizeHint();
        value_->setGeometry(s.digDispLeft, body.bottom() + 3, std::max(text.width(), 40),
                            text.height());
        value_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        value_->setVisible(s.visible && s.showDigitalDisplay);
    }

    void disposeExtras() override {
        if (value_ == nullptr) return;
        value_->hide();
        value_->deleteLater();
        value_ = nullptr;
    }

  public:
    ~SlideView() override { delete value_.data(); }

  private:
    QSlider* slider_ = nullptr;
    QPointer<QLabel> value_;
    double scale_ = 1.0;
    int shownFill_ = -2;
};

} // namespace

ControlView* NewNumericView(int panel, int control) {
    return new NumericView(panel, control);
}
ControlView* NewSlideView(int panel, int control) {
    return new SlideView(panel, control);
}
