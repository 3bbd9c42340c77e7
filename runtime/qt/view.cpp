#include "runtime/qt/view.h"

#include "runtime/events.h"
#include "runtime/model_view.h"
#include "runtime/qt/control_view.h"
#include "runtime/qt/panel_view.h"
#include "runtime/qt/panel_window.h"
#include "runtime/qt/qt_event_loop.h"
#include "runtime/qt/qt_popups.h"
#include "runtime/userint.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>

#include <qcustomplot.h>

namespace {

QApplication* ownApplication = nullptr;
PanelView* theView = nullptr;

// Never destroyed: a thread that still posts or shows a pop-up after CloseQtView finds them
// without an application and does nothing.
QtEventLoopBackend& Backend() {
    static auto* backend = new QtEventLoopBackend;
    return *backend;
}

QtPopupProvider& Popups() {
    static auto* popups = new QtPopupProvider;
    return *popups;
}

} // namespace

int InitQtView(int& argc, char** argv) {
    if (theView != nullptr) return 1;
    if (QCoreApplication::instance() == nullptr) {
        ownApplication = new QApplication(argc, argv);
    } else if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return 0;
    }
    // One look on every desktop; it also honours the controls' colours.
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The program ends through QuitUserInterface, not by its last window closing.
    QApplication::setQuitOnLastWindowClosed(false);
    SetEventLoopBackend(&Backend());
    SetPopupProvider(&Popups());
    theView = new PanelView;
    SetModelObserver(theView);
    theView->adoptExistingPanels();
    return 1;
}

void CloseQtView() {
    if (theView == nullptr) return;
    SetModelObserver(nullptr); // returns once no notification is running
    SetPopupProvider(nullptr);
    SetEventLoopBackend(nullptr);
    delete theView;
    theView = nullptr;
    delete ownApplication;
    ownApplication = nullptr;
}

void FlushQtView() {
    if (theView != nullptr) theView->flush();
}

int SavePanelImage(int panel, const std::string& pngPath) {
    FlushQtView();
    PanelWindow* window = theView != nullptr ? theView->window(panel) : nullptr;
    if (window == nullptr) return UIE_BadPanelHandle;
    // Graphs redraw on the next frame; the picture needs them now.
    for (QCustomPlot* plot : window->findChildren<QCustomPlot*>())
        plot->replot();
    const QPixmap picture = window->grab();
    if (picture.isNull() || !picture.save(QString::fromStdString(pngPath), "PNG")) {
        return UIE_BadArgument;
    }
    return 0;
}

QWidget* QtPanelWidget(int panel) {
    return theView != nullptr ? theView->window(panel) : nullptr;
}

QWidget* QtControlWidget(int panel, int control) {
    ControlView* view = theView != nullptr ? theView->control(panel, control) : nullptr;
    return view != nullptr ? view->widget() : nullptr;
}

QLabel* QtControlLabel(int panel, int control) {
    ControlView* view = theView != nullptr ? theView->control(panel, control) : nullptr;
    return view != nullptr ? view->labelWidget() : nullptr;
}

long QtViewFlushCount() {
    return theView != nullptr ? theView->flushCount() : 0;
}

long QtControlApplyCount(int panel, int control) {
    ControlView* view = theView != nullptr ? theView->control(panel, control) : nullptr;
    return view != nullptr ? view->applyCount() : 0;
}
