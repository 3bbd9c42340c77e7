#include "runtime/qt/panel_view.h"

#include "runtime/qt/control_view.h"
#include "runtime/qt/panel_window.h"
#include "runtime/userint.h"

#include <QApplication>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <functional>

PanelView::PanelView() {
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kFrameMs);
    connect(timer_, &QTimer::timeout, this, &PanelView::flush);
}

PanelView::~PanelView() {
    // Child panels go with their parents' windows.
    for (auto& [handle, window] : windows_) {
        if (window != nullptr && window->isTopLevelPanel()) delete window.data();
    }
    windows_.clear();
}

// --- recording (any thread, model locked) ---------------------------------------------------

PanelView::Pending& PanelView::record(int panel) {
    const bool wasEmpty = pending_.empty();
    Pending& entry = pending_[panel];
    if (wasEmpty) scheduleFlush();
    return entry;
}

void PanelView::scheduleFlush() {
    if (QThread::currentThread() == thread()) {
        startTimer();
    } else {
        // One queued call per frame at most: only the first change after a flush gets here.
        QMetaObject::invokeMethod(
            this, [this] { startTimer(); }, Qt::QueuedConnection);
    }
}

void PanelView::startTimer() {
    if (!timer_->isActive()) timer_->start();
}

void PanelView::panelCreated(int panel) {
    std::lock_guard lock(mutex_);
    Pending& entry = record(panel);
    entry.created = true;
    entry.panelBits |= CHANGE_ALL;
}

void PanelView::panelChanged(int panel, uint32_t what) {
    std::lock_guard lock(mutex_);
    record(panel).panelBits |= what;
}

void PanelView::panelDiscarded(int panel) {
    std::lock_guard lock(mutex_);
    Pending& entry = record(panel);
    entry = Pending{};
    entry.discarded = true;
}

void PanelView::controlCreated(int panel, int control) {
    std::lock_guard lock(mutex_);
    Pending& entry = record(panel);
    entry.structure = true;
    entry.controls[control] |= CHANGE_ALL;
}

void PanelView::controlChanged(int panel, int control, uint32_t what) {
    std::lock_guard lock(mutex_);
    record(panel).controls[control] |= what;
}

void PanelView::controlDiscarded(int panel, int control) {
    std::lock_guard lock(mutex_);
    Pending& entry = record(panel);
    entry.structure = true;
    entry.controls.erase(control);
}

void PanelView::adoptExistingPanels() {
    std::function<void(int)> adopt = [&](int panel) {
        PanelSnapshot snapshot;
        if (!GetPanelSnapshot(panel, &snapshot)) return;
        {
            std::lock_guard lock(mutex_);
            Pending& entry = record(panel);
            entry.created = true;
            entry.panelBits |= CHANGE_ALL;
            // Taking the snapshot consumed a pending centring: the flush applies it.
            entry.center = entry.center || snapshot.centerOnScreen;
        }
        for (int child : snapshot.childPanels)
            adopt(child);
    };
    for (int panel : GetTopLevelPanels())
        adopt(panel);
}

// --- showing (user-interface thread) ---------------------------------------------------------

void PanelView::flush() {
    if (flushing_) return;
    std::map<int, Pending> work;
    {
        std::lock_guard lock(mutex_);
        work.swap(pending_);
    }
    if (work.empty()) return;
    flushing_ = true;
    ++flushes_;
    ApplyingScope applying;
    bool panelsChanged = false;

    for (auto& [handle, entry] : work) {
        if (entry.discarded) destroyWindow(handle);
        PanelSnapshot ps;
        if (!GetPanelSnapshot(handle, &ps)) {
            destroyWindow(handle);
            continue;
        }
        ps.centerOnScreen = ps.centerOnScreen || entry.center;
        const bool fresh = window(handle) == nullptr;
        PanelWindow* w = ensureWindow(handle, ps, 0);
        if (w == nullptr) continue;
        std::set<int> built;
        if (fresh) {
            built.insert(ps.controls.begin(), ps.controls.end());
        } else {
            if (entry.structure) {
                for (int id : w->syncControls(ps))
                    built.insert(id);
            }
            // A centring requested after the changes were taken is in this snapshot only.
            if (entry.panelBits != 0 || ps.centerOnScreen) w->applyPanel(ps);
        }
        if (entry.panelBits != 0 || entry.created) panelsChanged = true;
        for (const auto& [id, bits] : entry.controls) {
            if (built.count(id) != 0) continue;
            ControlSnapshot cs;
            if (!GetControlSnapshot(handle, id, &cs)) {
                w->disposeControl(id);
                continue;
            }
            w->applyControl(cs, bits);
        }
    }
    if (panelsChanged) activatePanel(GetActivePanel());
    flushing_ = false;
}

PanelWindow* PanelView::window(int panel) const {
    auto it = windows_.find(panel);
    if (it == windows_.end() || it->second == nullptr || it->second->disposed()) return nullptr;
    return it->second;
}

ControlView* PanelView::control(int panel, int control) const {
    PanelWindow* w = window(panel);
    return w != nullptr ? w->controlView(control) : nullptr;
}

PanelWindow* PanelView::ensureWindow(int panel, const PanelSnapshot& snapshot, int depth) {
    if (PanelWindow* existing = window(panel)) return existing;
    QWidget* parentArea = nullptr;
    if (snapshot.parent > 0) {
        if (depth > 64) return nullptr; // a cycle in the model's parents
        PanelSnapshot parentSnapshot;
        if (!GetPanelSnapshot(snapshot.parent, &parentSnapshot)) return nullptr;
        PanelWindow* parent = ensureWindow(snapshot.parent, parentSnapshot, depth + 1);
        if (parent == nullptr) return nullptr;
        parentArea = parent->area();
    }
    auto* w = new PanelWindow(panel, parentArea);
    connect(w, &PanelWindow::activated, this, &PanelView::panelActivatedByUser);
    connect(w, &PanelWindow::deactivated, this, &PanelView::panelDeactivatedByUser);
    windows_[panel] = w;
    w->syncControls(snapshot);
    w->applyPanel(snapshot);
    return w;
}

void PanelView::destroyWindow(int panel) {
    auto it = windows_.find(panel);
    if (it == windows_.end()) return;
    if (it->second != nullptr) it->second->dispose(); // with its child panels
    // Forget every window that went with it.
    for (auto w = windows_.begin(); w != windows_.end();) {
        if (w->second == nullptr || w->second->disposed()) {
            w = windows_.erase(w);
        } else {
            ++w;
        }
    }
    if (shownActive_ == panel) shownActive_ = 0;
}

void PanelView::activatePanel(int panel) {
    if (panel == shownActive_) return;
    PanelWindow* w = window(panel);
    if (w == nullptr || !w->isVisible()) return; // tried again at the panel's next change
    shownActive_ = panel;
    QWidget* top = w->window();
    // Only while the program has the focus: a panel does not take it from other programs.
    if (QApplication::activeWindow() != nullptr && QApplication::activeWindow() != top) {
        top->raise();
        top->activateWindow();
    }
}

void PanelView::panelActivatedByUser(int panel) {
    PanelWindow* w = window(panel);
    if (w == nullptr) return;
    // The model's active panel follows the person, unless it is already within this window.
    PanelWindow* active = window(GetActivePanel());
    if (active != nullptr && active->window() == w->window()) {
        shownActive_ = active->panel();
        return;
    }
    shownActive_ = panel;
    SetActivePanel(panel);
}

void PanelView::panelDeactivatedByUser(int panel) {
    // Delivered after the newly activated window has become the active panel, so that a panel
    // callback that takes the focus back (a dialog) wins.
    QMetaObject::invokeMethod(
        this,
        [this, panel] {
            if (window(panel) != nullptr) FirePanelEvent(panel, EVENT_LOST_FOCUS);
        },
        Qt::QueuedConnection);
}
