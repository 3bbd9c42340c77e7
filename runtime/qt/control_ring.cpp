// Rings: a combo box with the ring's item labels; choosing an item selects it in the model and
// commits (also when the chosen item is the selected one, so that "Refresh" can be chosen again).
#include "runtime/qt/control_kinds.h"
#include "runtime/qt/control_view.h"
#include "runtime/userint.h"

#include <QComboBox>

namespace {

class RingView final : public ControlView {
  public:
    using ControlView::ControlView;

  protected:
    QWidget* createWidget(QWidget* host, const ControlSnapshot& /*snapshot*/) override {
        combo_ = new QComboBox(host);
        connect(combo_, &QComboBox::activated, this, [this](int index) {
            if (applying() || disposed()) return;
            SetCtrlIndex(panel_, control_, index);
            fireCommit();
        });
        return combo_;
    }

    void applyContent(const ControlSnapshot& s, uint32_t /*what*/) override {
        if (itemsDiffer(s)) {
            combo_->clear();
            for (const ListItemSnapshot& item : s.items) {
                combo_->addItem(QString::fromStdString(item.label));
            }
        }
        if (combo_->currentIndex() != s.selectedIndex) combo_->setCurrentIndex(s.selectedIndex);
    }

  private:
    bool itemsDiffer(const ControlSnapshot& s) const {
        if (combo_->count() != static_cast<int>(s.items.size())) return true;
        for (int i = 0; i < combo_->count(); ++i) {
            if (combo_->itemText(i) != QString::fromStdString(s.items[i].label)) return true;
        }
        return false;
    }

    QComboBox* combo_ = nullptr;
};

} // namespace

ControlView* NewRingView(int panel, int control) {
    return new RingView(panel, control);
}
