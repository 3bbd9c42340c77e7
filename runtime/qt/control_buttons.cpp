// Command buttons and two-state controls (toggle buttons, binary switches, check boxes).
#include "runtime/qt/colors.h"
#include "runtime/qt/control_kinds.h"
#include "runtime/qt/control_view.h"
#include "runtime/qt/label_text.h"
#include "runtime/userint.h"

#include <QCheckBox>
#include <QPushButton>

namespace {

class CommandButtonView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    bool hasLabelAbove() const override { return false; }

    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        button_ = new QPushButton(host);
        button_->setAutoDefault(false);
        connect(button_, &QPushButton::clicked, this, [this] {
            if (!applying()) fireCommit();
        });
        return button_;
    }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        button_->setText(MnemonicText(s.label));
    }

    void enterPressed() override { button_->click(); }

  private:
    QPushButton* button_ = nullptr;
};

// The state is the value: the on value means on. A person's click sets the on or the off value
// and commits.
class TwoStateView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    // A toggle button and a check box carry their label themselves.
    bool hasLabelAbove() const override { return kind_ == KIND_BINARY_SWITCH; }

    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        if (kind_ == KIND_TOGGLE_BUTTON) {
            auto* button = new QPushButton(host);
            button->setCheckable(true);
            button->setAutoDefault(false);
            button_ = button;
        } else {
            button_ = new QCheckBox(host);
        }
        connect(button_, &QAbstractButton::clicked, this, [this](bool checked) {
            if (applying() || disposed()) return;
            write(checked);
            fireCommit();
        });
        return button_;
    }

    // The face shows the state texts in their own size.
    int pointSizeOf(const ControlSnapshot& s) const override {
        return kind_ != KIND_CHECK_BOX && s.onOffPointSize > 0 ? s.onOffPointSize : s.pointSize;
    }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        const bool on = s.on;
        button_->setChecked(on);
        const std::string& stateText = on ? s.onText : s.offText;
        if (kind_ == KIND_CHECK_BOX) {
            button_->setText(MnemonicText(s.label));
        } else if (kind_ == KIND_BINARY_SWITCH) {
            button_->setText(MnemonicText(stateText));
        } else {
            button_->setText(MnemonicText(stateText.empty() ? s.label : stateText));
        }
        showStateColor(on ? s.onColor : s.offColor, s);
    }

    void applyColors(const ControlSnapshot& s) override {
        ControlView::applyColors(s);
        stateColor_ = -2; // the palette was rebuilt: put the state colour back
        showStateColor(s.on ? s.onColor : s.offColor, s);
    }

    void enterPressed() override { button_->click(); }

  private:
    // The on or off value as the model holds it now.
    void write(bool on) {
        const int attr = on ? ATTR_ON_VALUE : ATTR_OFF_VALUE;
        if (dataType_ == VAL_STRING) {
            std::string value;
            if (GetCtrlAttribute(panel_, control_, attr, &value) == 0)
                SetCtrlVal(panel_, control_, value);
        } else {
            double value = 0.0;
            if (GetCtrlAttribute(panel_, control_, attr, &value) == 0)
                SetCtrlVal(panel_, control_, value);
        }
    }

    // Toggle buttons show their state in the on or the off colour.
    void showStateColor(int color, const ControlSnapshot& s) {
        if (kind_ != KIND_TOGGLE_BUTTON || color == stateColor_) return;
        stateColor_ = color;
        QPalette palette = button_->palette();
        const QColor fill = color >= 0         ? ColorFromRgb(color)
                            : s.ctrlColor >= 0 ? ColorFromRgb(s.ctrlColor)
                                               : QPalette().color(QPalette::Button);
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::Button, fill);
        }
        button_->setPalette(palette);
    }

    QAbstractButton* button_ = nullptr;
    int stateColor_ = -2;
};

} // namespace

ControlView* NewCommandButtonView(int panel, int control) {
    return new CommandButtonView(panel, control);
}
ControlView* NewTwoStateView(int panel, int control) {
    return new TwoStateView(panel, control);
}
