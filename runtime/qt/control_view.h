// One control of a panel on the screen: its widget (made by the subclass for the control's
// kind), the label above it, and the translation of a person's actions into model changes and
// callback events.
#pragma once

#include "runtime/model_view.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <string>

class ControlView : public QObject {
    Q_OBJECT

  public:
    ControlView(int panel, int control);
    ~ControlView() override; // deletes the widgets

    // Makes the widgets inside `host` and shows the snapshot.
    void build(QWidget* host, const ControlSnapshot& snapshot);
    // Shows a snapshot; `what` holds the ModelChange bits recorded since the last flush.
    void apply(const ControlSnapshot& snapshot, uint32_t what);
    // The control left the model: no more events; the widgets go at the next return to the
    // event loop (a callback of this very widget may still be running).
    void dispose();

    int panel() const { return panel_; }
    int control() const { return control_; }
    int kind() const { return kind_; }
    int dataType() const { return dataType_; }
    bool disposed() const { return disposed_; }
    QWidget* widget() const { return widget_; }
    QLabel* labelWidget() const { return label_; }
    // How many times a snapshot reached the widget (for measuring the coalescing).
    long applyCount() const { return applyCount_; }

    // True while the view writes model state into widgets: focus moves and signals caused by
    // that are not a person's actions.
    static bool applying();

  protected:
    virtual QWidget* createWidget(QWidget* host, const ControlSnapshot& snapshot) = 0;
    // Shows the kind's own state (value, items, texts, plots) with the widget's signals blocked.
    virtual void applyContent(const ControlSnapshot& snapshot, uint32_t what) = 0;
    // Kinds whose face shows the label (buttons, check boxes, text messages) have no label above.
    virtual bool hasLabelAbove() const { return true; }
    // Widgets that take the control's text colour and control colour themselves.
    virtual void applyColors(const ControlSnapshot& snapshot);
    // The point size of the text the widget shows (0 = the default).
    virtual int pointSizeOf(const ControlSnapshot& snapshot) const { return snapshot.pointSize; }
    // Shows the control as an indicator (display only) or as hot. Returns false when the kind
    // has no read-only form of its own: the widget is then disabled while an indicator.
    virtual bool showIndicator(bool /*indicator*/) { return false; }
    // Further widgets of the control (a slide's value display) follow the control's geometry.
    virtual void placeExtras(const ControlSnapshot& /*snapshot*/) {}
    virtual void disposeExtras() {}
    // Enter was pressed and the callback did not consume the key press.
    virtual void enterPressed() {}
    // The widget is losing the focus to another control (before EVENT_LOST_FOCUS).
    virtual void focusLeaving() {}

    // Callback events on the user-interface thread. Each returns false when the control was
    // discarded meanwhile (the caller must stop touching it).
    bool fireCommit();
    bool fireEvent(int event, int eventData1 = 0);

    bool eventFilter(QObject* watched, QEvent* event) override;

    const int panel_;
    const int control_;
    int kind_ = 0;
    int dataType_ = 0;
    int style_ = 0;
    bool indicator_ = false; // display only: a person's entries are not taken

  private:
    void applyLabel(const ControlSnapshot& snapshot);

    QPointer<QWidget> widget_;
    QPointer<QLabel> label_;
    bool disposed_ = false;
    bool disabledAsIndicator_ = false; // an indicator of a kind without a read-only form
    long applyCount_ = 0;
    // What was last shown, so that unchanged attributes cost nothing.
    struct Shown {
        int left = -1, top = -1, width = -1, height = -1;
        int textColor = -2, ctrlColor = -2, pointSize = -1;
        int visible = -1, enabled = -1, indicator = -1;
        std::string label, tooltip;
        int labelVisible = -1, labelLeft = -1, labelWidth = -1;
    } shown_;
};

// A view for the control's kind (CtrlKind); never nullptr.
ControlView* CreateControlView(int panel, int control, const ControlSnapshot& snapshot);

// RAII marker for the view writing into widgets (see ControlView::applying).
class ApplyingScope {
  public:
    ApplyingScope();
    ~ApplyingScope();
    ApplyingScope(const ApplyingScope&) = delete;
    ApplyingScope& operator=(const ApplyingScope&) = delete;
};
