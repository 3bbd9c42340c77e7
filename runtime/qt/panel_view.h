// The view of the whole panel model. As the model's observer it records what changed (from any
// thread, under a small lock of its own) and shows it at the next frame on the user-interface
// thread: one flush per frame, whatever the number of changes.
#pragma once

#include "runtime/model_view.h"

#include <QObject>
#include <QPointer>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>

class ControlView;
class PanelWindow;
class QTimer;

class PanelView final : public QObject, public ModelObserver {
    Q_OBJECT

  public:
    static constexpr int kFrameMs = 16;

    PanelView();
    ~PanelView() override;

    // ModelObserver: called with the model locked, on any thread. Records only.
    void panelCreated(int panel) override;
    void panelChanged(int panel, uint32_t what) override;
    void panelDiscarded(int panel) override;
    void controlCreated(int panel, int control) override;
    void controlChanged(int panel, int control, uint32_t what) override;
    void controlDiscarded(int panel, int control) override;

    // Records every panel the model holds now (for a view started after panels were loaded).
    void adoptExistingPanels();
    // Shows the recorded changes (user-interface thread).
    void flush();

    PanelWindow* window(int panel) const;
    ControlView* control(int panel, int control) const;
    long flushCount() const { return flushes_.load(); }

  private:
    struct Pending {
        uint32_t panelBits = 0;
        bool created = false;
        bool discarded = false;
        bool structure = false; // controls were created or discarded
        bool center = false;    // a centring on the screen taken from the model early
        std::map<int, uint32_t> controls;
    };

    // Called with mutex_ held: returns the panel's record and starts the frame timer when
    // nothing was pending before.
    Pending& record(int panel);
    void scheduleFlush();
    void startTimer();
    PanelWindow* ensureWindow(int panel, const PanelSnapshot& snapshot, int depth);
    void destroyWindow(int panel);
    void activatePanel(int panel);
    void panelActivatedByUser(int panel);
    void panelDeactivatedByUser(int panel);

    std::mutex mutex_;
    std::map<int, Pending> pending_;
    QTimer* timer_ = nullptr;
    std::map<int, QPointer<PanelWindow>> windows_; // user-interface thread
    int shownActive_ = 0;
    std::atomic<long> flushes_{0};
    bool flushing_ = false;
};
