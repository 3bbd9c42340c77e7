#include "runtime/qt/control_view.h"

#include "runtime/qt/colors.h"
#include "runtime/qt/key_codes.h"
#include "runtime/qt/label_text.h"
#include "runtime/userint.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>

#include <algorithm>

namespace {
int applyDepth = 0; // user-interface thread only
} // namespace

ApplyingScope::ApplyingScope() {
    ++applyDepth;
}
ApplyingScope::~ApplyingScope() {
    --applyDepth;
}

bool ControlView::applying() {
    return applyDepth > 0;
}

ControlView::ControlView(int panel, int control) : panel_(panel), control_(control) {}

ControlView::~ControlView() {
    // Deleting a focused widget moves the focus: that is no person's action.
    disposed_ = true;
    if (widget_ != nullptr) widget_->removeEventFilter(this);
    delete label_.data();
    delete widget_.data();
}

void ControlView::build(QWidget* host, const ControlSnapshot& snapshot) {
    kind_ = snapshot.kind;
    dataType_ = snapshot.dataType;
    style_ = snapshot.style;
    ApplyingScope scope;
    if (hasLabelAbove()) {
        label_ = new QLabel(host);
        label_->hide();
    }
    widget_ = createWidget(host, snapshot);
    widget_->installEventFilter(this);
    apply(snapshot, CHANGE_ALL);
}

void ControlView::apply(const ControlSnapshot& s, uint32_t what) {
    if (disposed_ || widget_ == nullptr) return;
    ApplyingScope scope;
    ++applyCount_;
    QWidget* w = widget_;

    if (s.left != shown_.left || s.top != shown_.top || s.width != shown_.width ||
        s.height != shown_.height) {
        const QSize hint = w->sizeHint();
        w->setGeometry(s.left, s.top, s.width > 0 ? s.width : hint.width(),
                       s.height > 0 ? s.height : hint.height());
        shown_.left = s.left;
        shown_.top = s.top;
        shown_.width = s.width;
        shown_.height = s.height;
        shown_.label.clear(); // the label follows the control
        shown_.labelVisible = -1;
    }
    if (s.textColor != shown_.textColor || s.ctrlColor != shown_.ctrlColor) {
        applyColors(s);
        shown_.textColor = s.textColor;
        shown_.ctrlColor = s.ctrlColor;
    }
    if (int size = pointSizeOf(s); size != shown_.pointSize) {
        QFont font;
        if (size > 0) font.setPointSize(size);
        w->setFont(font);
        shown_.pointSize = size;
    }
    if (s.tooltip != shown_.tooltip) {
        w->setToolTip(QString::fromStdString(s.tooltip));
        shown_.tooltip = s.tooltip;
    }
    if (int indicator = s.indicator ? 1 : 0; indicator != shown_.indicator) {
        indicator_ = s.indicator;
        // Kinds without a read-only form take no input while they are indicators.
        const bool ownForm = showIndicator(s.indicator);
        disabledAsIndicator_ = s.indicator && !ownForm;
        shown_.indicator = indicator;
    }
    if (int enabled = s.dimmed || disabledAsIndicator_ ? 0 : 1; enabled != shown_.enabled) {
        w->setEnabled(enabled != 0);
        shown_.enabled = enabled;
    }
    {
        const QSignalBlocker blocker(w);
        applyContent(s, what);
    }
    if (int visible = s.visible ? 1 : 0; visible != shown_.visible) {
        w->setVisible(s.visible);
        shown_.visible = visible;
        shown_.labelVisible = -1;
    }
    placeExtras(s);
    applyLabel(s);
}

void ControlView::applyLabel(const ControlSnapshot& s) {
    if (label_ == nullptr) return;
    const bool show = s.visible && s.labelVisible && !s.label.empty();
    if (s.label == shown_.label && int(show) == shown_.labelVisible &&
        s.labelLeft == shown_.labelLeft && s.labelWidth == shown_.labelWidth) {
        return;
    }
    shown_.labelLeft = s.labelLeft;
    shown_.labelWidth = s.labelWidth;
    shown_.label = s.label;
    shown_.labelVisible = show ? 1 : 0;
    if (!show) {
        label_->hide();
        return;
    }
    label_->setText(MnemonicText(s.label));
    label_->setBuddy(widget_); // its access key moves the focus to the control
    const QSize text = label_->sizeHint();
    const QRect body = widget_->geometry();
    const int width = s.labelWidth > 0 ? s.labelWidth : text.width();
    const int x =
        s.labelLeft == VAL_AUTO_CENTER ? body.left() + (body.width() - width) / 2 : s.labelLeft;
    label_->setAlignment(s.labelLeft == VAL_AUTO_CENTER ? Qt::AlignHCenter : Qt::AlignLeft);
    label_->setGeometry(x, body.top() - text.height() - 1, width, text.height());
    label_->show();
}

void ControlView::applyColors(const ControlSnapshot& s) {
    QWidget* w = widget_;
    if (s.textColor == 0 && s.ctrlColor < 0) {
        w->setPalette(QPalette());
        return;
    }
    QPalette palette = w->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        const QColor text = ColorFromRgb(s.textColor);
        palette.setColor(group, QPalette::WindowText, text);
        palette.setColor(group, QPalette::Text, text);
        palette.setColor(group, QPalette::ButtonText, text);
        if (s.ctrlColor >= 0) {
            const QColor fill = ColorFromRgb(s.ctrlColor);
            palette.setColor(group, QPalette::Base, fill);
            palette.setColor(group, QPalette::Button, fill);
            palette.setColor(group, QPalette::Window, fill);
        }
    }
    w->setPalette(palette);
}

void ControlView::dispose() {
    if (disposed_) return;
    disposed_ = true;
    disposeExtras();
    // Hidden first so that no focus change reaches the model; deleted when the event loop is
    // back in charge.
    for (QWidget* w : {static_cast<QWidget*>(label_.data()), widget_.data()}) {
        if (w == nullptr) continue;
        w->removeEventFilter(this);
        w->hide();
        w->deleteLater();
    }
    label_.clear();
    widget_.clear();
    deleteLater();
}

bool ControlView::fireEvent(int event, int eventData1) {
    if (disposed_) return false;
    QPointer<ControlView> self(this);
    FireCtrlEvent(panel_, control_, event, eventData1, 0);
    return self != nullptr && !disposed_;
}

bool ControlView::fireCommit() {
    return fireEvent(EVENT_COMMIT);
}

bool ControlView::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_ || disposed_ || applying()) return false;
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const int code = RuntimeKeyCode(*key);
        if (code == 0) return false;
        QPointer<ControlView> self(this);
        const int swallowed = FireCtrlEvent(panel_, control_, EVENT_KEYPRESS, code, 0);
        if (self == nullptr || disposed_) return true;
        // A callback that returns non-zero keeps the key from the control.
        if (swallowed != 0) return true;
        if ((code & VAL_VKEY_MASK) == VAL_ENTER_VKEY) {
            if (!indicator_) enterPressed(); // an indicator has nothing to commit
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Switching windows or opening a pop-up list keeps the control's focus in its panel.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
        QPointer<ControlView> self(this);
        if (!indicator_) focusLeaving();
        if (self == nullptr || disposed_) return false;
        fireEvent(EVENT_LOST_FOCUS);
        return false;
    }
    return false;
}
