// Strings (line edits), text boxes, text messages and decorations.
#include "runtime/qt/colors.h"
#include "runtime/qt/control_kinds.h"
#include "runtime/qt/control_view.h"
#include "runtime/userint.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

namespace {

QString Text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

class StringView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        edit_ = new QLineEdit(host);
        return edit_;
    }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        // Text the person is typing stays until it is committed.
        if (edit_->hasFocus() && edit_->isModified()) return;
        shown_ = Text(s.valueText);
        if (edit_->text() != shown_) edit_->setText(shown_);
    }

    // An indicator shows its text read-only; the person can still select and copy it. Text
    // being typed when the control becomes an indicator gives way to the model's.
    bool showIndicator(bool indicator) override {
        edit_->setReadOnly(indicator);
        if (indicator) edit_->setModified(false);
        return true;
    }

    void enterPressed() override {
        writeIfChanged();
        fireCommit();
    }

    void focusLeaving() override {
        if (edit_->isModified() && writeIfChanged()) fireCommit();
    }

  private:
    bool writeIfChanged() {
        edit_->setModified(false);
        const QString text = edit_->text();
        if (text == shown_) return false;
        shown_ = text;
        SetCtrlVal(panel_, control_, text.toStdString());
        return true;
    }

    QLineEdit* edit_ = nullptr;
    QString shown_;
};

// A text box shows the model's text; appends are added to the end instead of replacing the
// whole text. The scroll position is the model's: -1 follows the end, otherwise the first
// visible line. Lines do not wrap, so scroll-bar positions are line numbers.
class TextBoxView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        edit_ = new QPlainTextEdit(host);
        edit_->setReadOnly(true);
        // Read-only, yet a person can move through the text with the keys and copy from it.
        edit_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit_->setUndoRedoEnabled(false);
        // The edit moves its scroll bar with the bar's signals blocked when a person pages or
        // uses keys, so every scroll of the viewport is looked at, once the event is over.
        connect(edit_->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [this] { noteScroll(); });
        connect(edit_, &QPlainTextEdit::updateRequest, this, [this](const QRect&, int dy) {
            if (dy != 0) noteScroll();
        });
        return edit_;
    }

    // Always read-only on screen, indicator or not.
    bool showIndicator(bool /*indicator*/) override { return true; }

    void applyContent(const ControlSnapshot& s, uint32_t what) override {
        if (what & CHANGE_VALUE) showText(s.valueText);
        if (what & (CHANGE_VALUE | CHANGE_SCROLL)) {
            QScrollBar* bar = edit_->verticalScrollBar();
            bar->setValue(s.firstVisibleLine < 0 ? bar->maximum() : s.firstVisibleLine);
            reported_ = s.firstVisibleLine;
        }
    }

  private:
    void noteScroll() {
        if (applying() || disposed() || reportPending_) return;
        reportPending_ = true;
        QTimer::singleShot(0, this, [this] {
            reportPending_ = false;
            if (disposed()) return;
            QScrollBar* bar = edit_->verticalScrollBar();
            // At the end the box follows new text again.
            const int line = bar->value() >= bar->maximum() ? -1 : bar->value();
            if (line == reported_) return;
            reported_ = line;
            NoteUserScroll(panel_, control_, line);
        });
    }

    void showText(const std::string& text) {
        if (text == shown_) return;
        const bool appended =
            text.size() > shown_.size() && text.compare(0, shown_.size(), shown_) == 0;
        if (appended && !shown_.empty()) {
            QTextCursor cursor(edit_->document());
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(Text(text.substr(shown_.size())));
        } else {
            edit_->setPlainText(Text(text));
        }
        shown_ = text;
    }

    QPlainTextEdit* edit_ = nullptr;
    std::string shown_;
    int reported_ = -1; // the position the model holds, as far as the view knows
    bool reportPending_ = false;
};

class TextMessageView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    bool hasLabelAbove() const override { return false; }

    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        label_ = new QLabel(host);
        label_->setWordWrap(true);
        label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label_;
    }

    // A text message takes no input: nothing to change.
    bool showIndicator(bool /*indicator*/) override { return true; }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        label_->setText(Text(s.valueText));
    }

    void applyColors(const ControlSnapshot& s) override {
        ControlView::applyColors(s);
        label_->setAutoFillBackground(s.ctrlColor >= 0);
    }

  private:
    QLabel* label_ = nullptr;
};

class DecorationView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    bool hasLabelAbove() const override { return false; }

    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        frame_ = new QFrame(host);
        frame_->setFrameShape(QFrame::Panel);
        frame_->setFrameShadow(QFrame::Raised);
        frame_->lower(); // decorations lie under the controls they frame
        return frame_;
    }

    void applyContent(const ControlSnapshot& /*s*/, uint32_t /*what*/) override {}
    bool showIndicator(bool /*indicator*/) override { return true; } // takes no input

    void applyColors(const ControlSnapshot& s) override {
        ControlView::applyColors(s);
        frame_->setAutoFillBackground(s.ctrlColor >= 0);
    }

  private:
    QFrame* frame_ = nullptr;
};

} // namespace

ControlView* NewStringView(int panel, int control) {
    return new StringView(panel, control);
}
ControlView* NewTextBoxView(int panel, int control) {
    return new TextBoxView(panel, control);
}
ControlView* NewTextMessageView(int panel, int control) {
    return new TextMessageView(panel, control);
}
ControlView* NewDecorationView(int panel, int control) {
    return new DecorationView(panel, control);
}
