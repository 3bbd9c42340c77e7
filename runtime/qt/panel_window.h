// One panel on the screen: a window for a top-level panel, a framed child widget inside its
// parent's area for a child panel. Holds the panel's control views and its menu bar.
#pragma once

#include "runtime/model_view.h"

#include <QFrame>
#include <QPointer>

#include <climits>

#include <map>
#include <string>
#include <vector>

class ControlView;
class QMenuBar;

class PanelWindow final : public QFrame {
    Q_OBJECT

  public:
    // parentArea: the area of the parent panel for a child panel, nullptr for a window.
    PanelWindow(int panel, QWidget* parentArea);
    ~PanelWindow() override;

    int panel() const { return panel_; }
    bool isTopLevelPanel() const { return topLevel_; }
    QWidget* area() const { return area_; } // holds the controls and child panels
    ControlView* controlView(int control) const;
    bool disposed() const { return disposed_; }

    // Shows the panel's own state: title, geometry, dimmed, menu bar, visibility.
    void applyPanel(const PanelSnapshot& snapshot);
    // Makes the control views follow the model's control list (new ones built, gone ones
    // disposed). Returns the ids of the controls built.
    std::vector<int> syncControls(const PanelSnapshot& snapshot);
    // Shows a control's snapshot (an unknown control is built).
    void applyControl(const ControlSnapshot& snapshot, uint32_t what);
    void disposeControl(int control);
    // The panel left the model: no more events; deleted at the next return to the event loop.
    void dispose();

  signals:
    void activated(int panel);   // the person activated the window
    void deactivated(int panel); // the window lost the activation

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void applyMenus(const PanelSnapshot& snapshot);
    void buildMenuBar(const PanelSnapshot& snapshot);
    void layoutArea();
    int menuHeight() const;

    const int panel_;
    const bool topLevel_;
    QWidget* area_ = nullptr;
    QPointer<QMenuBar> menuBar_;
    std::map<int, ControlView*> controls_;
    bool disposed_ = false;
    bool applying_ = false;
    // The model's state as last shown, so that a person's moves and sizes are not undone by an
    // unrelated change.
    int shownLeft_ = INT_MIN, shownTop_ = INT_MIN, shownWidth_ = -1, shownHeight_ = -1;
    std::string shownTitle_;
    int shownMenuBar_ = 0;
    std::vector<std::string> shownMenus_; // "id:label" of menus and items, in order
};
