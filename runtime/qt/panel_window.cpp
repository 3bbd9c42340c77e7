#include "runtime/qt/panel_window.h"

#include "runtime/qt/control_view.h"
#include "runtime/qt/label_text.h"
#include "runtime/userint.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

PanelWindow::PanelWindow(int panel, QWidget* parentArea)
    : QFrame(parentArea), panel_(panel), topLevel_(parentArea == nullptr) {
    if (topLevel_) {
        setWindowFlag(Qt::Window);
        setFrameShape(QFrame::NoFrame);
    } else {
        setFrameShape(QFrame::StyledPanel);
        setFrameShadow(QFrame::Raised);
        setAutoFillBackground(true);
    }
    area_ = new QWidget(this);
    hide();
}

PanelWindow::~PanelWindow() {
    disposed_ = true;
    // The views delete their widgets while the area still exists.
    for (auto& [id, view] : controls_)
        delete view;
    controls_.clear();
}

ControlView* PanelWindow::controlView(int control) const {
    auto it = controls_.find(control);
    return it == controls_.end() ? nullptr : it->second;
}

int PanelWindow::menuHeight() const {
    return menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
}

void PanelWindow::layoutArea() {
    const int menu = menuHeight();
    if (menuBar_ != nullptr) menuBar_->setGeometry(0, 0, width(), menu);
    const QRect inner = contentsRect();
    area_->setGeometry(inner.left(), inner.top() + menu, inner.width(), inner.height() - menu);
}

void PanelWindow::applyPanel(const PanelSnapshot& s) {
    if (disposed_) return;
    applying_ = true;
    if (topLevel_ && s.title != shownTitle_) {
        setWindowTitle(QString::fromStdString(s.title));
        shownTitle_ = s.title;
    }
    area_->setEnabled(!s.dimmed);
    if (topLevel_) applyMenus(s);

    const int frame = topLevel_ ? 0 : frameWidth() * 2;
    if (s.width != shownWidth_ || s.height != shownHeight_) {
        resize(s.width + frame, s.height + frame + menuHeight());
        shownWidth_ = s.width;
        shownHeight_ = s.height;
    }
    if (s.centerOnScreen) {
        if (topLevel_) {
            QScreen* screen =
                this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
            if (screen != nullptr) {
                QRect box = frameGeometry();
                box.moveCenter(screen->availableGeometry().center());
                move(box.topLeft());
            }
        } else if (parentWidget() != nullptr) {
            QRect box = geometry();
            box.moveCenter(parentWidget()->rect().center());
            move(box.topLeft());
        }
        shownLeft_ = s.left;
        shownTop_ = s.top;
    } else if (s.left != shownLeft_ || s.top != shownTop_) {
        move(s.left, s.top);
        shownLeft_ = s.left;
        shownTop_ = s.top;
    }
    layoutArea();
    // isHidden, not isVisible: a child panel of a hidden parent keeps its own state.
    if (s.visible == isHidden()) {
        setVisible(s.visible);
        if (s.visible && !topLevel_) raise();
    }
    applying_ = false;
}

void PanelWindow::applyMenus(const PanelSnapshot& s) {
    std::vector<std::string> signature;
    for (const MenuSnapshot& menu : s.menus) {
        signature.push_back("m" + std::to_string(menu.id) + ":" + menu.label);
        for (const MenuItemSnapshot& item : menu.items) {
            signature.push_back("i" + std::to_string(item.id) + ":" + item.label);
        }
    }
    if (s.menuBar == shownMenuBar_ && signature == shownMenus_) return;
    shownMenuBar_ = s.menuBar;
    shownMenus_ = signature;
    // Deleted later: the old bar may be in the middle of delivering a choice.
    if (menuBar_ != nullptr) {
        menuBar_->hide();
        menuBar_->deleteLater();
        menuBar_.clear();
    }
    if (s.menuBar > 0) buildMenuBar(s);
    // The panel's area keeps its size; the window grows or shrinks by the bar.
    if (shownHeight_ >= 0) resize(width(), shownHeight_ + menuHeight());
    layoutArea();
}

void PanelWindow::buildMenuBar(const PanelSnapshot& s) {
    menuBar_ = new QMenuBar(this);
    const int bar = s.menuBar;
    for (const MenuSnapshot& menu : s.menus) {
        QMenu* qmenu = menuBar_->addMenu(MnemonicText(menu.label));
        qmenu->setObjectName(QString::fromStdString(menu.constantName));
        for (const MenuItemSnapshot& item : menu.items) {
            QAction* action = qmenu->addAction(MnemonicText(item.label));
            action->setObjectName(QString::fromStdString(item.constantName));
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, bar, id] {
                if (!disposed_) FireMenuItem(bar, id);
            });
        }
    }
    menuBar_->show();
}

std::vector<int> PanelWindow::syncControls(const PanelSnapshot& s) {
    std::vector<int> built;
    if (disposed_) return built;
    std::map<int, bool> wanted;
    for (int id : s.controls)
        wanted[id] = true;
    for (auto it = controls_.begin(); it != controls_.end();) {
        if (wanted.count(it->first) == 0) {
            it->second->dispose();
            it = controls_.erase(it);
        } else {
            ++it;
        }
    }
    for (int id : s.controls) {
        if (controls_.count(id) != 0) continue;
        ControlSnapshot cs;
        if (!GetControlSnapshot(panel_, id, &cs)) continue;
        ControlView* view = CreateControlView(panel_, id, cs);
        view->build(area_, cs);
        controls_[id] = view;
        built.push_back(id);
    }
    if (!built.empty()) {
        // Child panels stay above the controls of their parent.
        for (auto* child :
             area_->findChildren<PanelWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
            child->raise();
        }
    }
    return built;
}

void PanelWindow::applyControl(const ControlSnapshot& s, uint32_t what) {
    if (disposed_) return;
    auto it = controls_.find(s.id);
    if (it == controls_.end()) {
        ControlView* view = CreateControlView(panel_, s.id, s);
        view->build(area_, s);
        controls_[s.id] = view;
        return;
    }
    ControlView* view = it->second;
    if (view->kind() != s.kind || view->dataType() != s.dataType) {
        // A control that changed its nature is built again.
        view->dispose();
        view = CreateControlView(panel_, s.id, s);
        view->build(area_, s);
        it->second = view;
        return;
    }
    view->apply(s, what);
}

void PanelWindow::disposeControl(int control) {
    auto it = controls_.find(control);
    if (it == controls_.end()) return;
    it->second->dispose();
    controls_.erase(it);
}

void PanelWindow::dispose() {
    if (disposed_) return;
    disposed_ = true;
    for (auto& [id, view] : controls_)
        view->dispose();
    controls_.clear();
    for (auto* child : area_->findChildren<PanelWindow*>(QString(), Qt::FindDirectChildrenOnly)) {
        child->dispose();
    }
    hide();
    deleteLater();
}

void PanelWindow::closeEvent(QCloseEvent* event) {
    // The close box asks the panel's callback; the window stays until the model discards or
    // hides the panel.
    event->ignore();
    if (!disposed_) FirePanelEvent(panel_, EVENT_CLOSE);
}

void PanelWindow::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !topLevel_ || disposed_) return;
    if (isActiveWindow()) {
        emit activated(panel_);
    } else {
        emit deactivated(panel_);
    }
}

void PanelWindow::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    layoutArea();
    if (applying_ || disposed_ || !topLevel_ || ControlView::applying()) return;
    const QSize size = area_->size();
    if (shownWidth_ < 0 || (size.width() == shownWidth_ && size.height() == shownHeight_)) return;
    shownWidth_ = size.width();
    shownHeight_ = size.height();
    NoteUserResize(panel_, size.width(), size.height());
}
