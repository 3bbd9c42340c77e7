#include "engine/binding.h"

#include <cstdio>

#include "engine/callbacks.h"
#include "engine/control_name.h"
#include "engine/conversion.h"
#include "engine/engine_threads.h"
#include "engine/handovers.h"
#include "engine/on_off_lists.h"

namespace {

struct PanelControl {
    int id = 0;
    std::string name;
};

std::vector<PanelControl> ListControls(int panel) {
    std::vector<PanelControl> list;
    int id = 0;
    if (GetPanelAttribute(panel, ATTR_PANEL_FIRST_CTRL, &id) < 0) return list;
    while (id > 0) {
        PanelControl c;
        c.id = id;
        GetCtrlAttribute(panel, id, ATTR_CONSTANT_NAME, &c.name);
        list.push_back(std::move(c));
        int next = 0;
        if (GetCtrlAttribute(panel, id, ATTR_NEXT_CTRL, &next) < 0) break;
        id = next;
    }
    return list;
}

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

std::string Letter(char c) {
    if (c == 0) return "(end of name)";
    return std::string(1, c);
}

const char* SendModeText(char m) {
    switch (m) {
    case 'W':
        return "queued-send, waits for the answer";
    case 'Q':
        return "queued-send";
    case 'R':
        return "waits for the answer";
    case 'L':
        return "sent twice";
    default:
        return "plain";
    }
}

// One binding run. In a dry run it builds the table and the report only.
class Binder {
  public:
    Binder(PanelContext* ctx, int panel, ExitHandler* exitHandler, bool live, BindingReport* report)
        : ctx_(ctx), panel_(panel), exit_(exitHandler), live_(live), report_(report),
          app_(ctx && ctx->app ? ctx->app : &TheAppRecord()), h_(MainWorking_Handovers()),
          table_(std::make_shared<ControlTable>()) {
        table_->panel = panel;
    }

    int run() {
        controls_ = ListControls(panel_);
        for (const auto& c : controls_) {
            if (!firstWalk(c)) {
                stopped_ = true;
                break;
            }
        }
        if (!stopped_) {
            for (const auto& c : controls_)
                secondWalk(c);
            traceNames();
        }
        if (report_) report_->onLoadFlag = onLoad_;
        return onLoad_;
    }

    std::shared_ptr<ControlTable> table() const { return table_; }

  private:
    void install(int control, CtrlCallbackPtr fn, void* data) {
        if (live_ && fn != nullptr) InstallCtrlCallback(panel_, control, fn, data);
    }
    void note(int control, std::string text) {
        if (report_) report_->notes[control].push_back(std::move(text));
    }
    void warn(const PanelControl& c, const std::string& text) {
        if (report_)
            report_->warnings.push_back("control " + std::to_string(c.id) + " " + Quoted(c.name) +
                                        ": " + text);
    }

    bool graphBound() const {
        if (!live_) return dryGraphBound_;
        return h_.graphIsBound != nullptr && h_.graphIsBound(h_.graphRecord) != 0;
    }

    // Returns false when binding stops at this control.
    bool firstWalk(const PanelControl& c) {
        const std::string& name = c.name;
        const CommandDescriptor d = ClassifyFirstWalk(name, graphBound());
        const KeywordSet& k = d.keywords;
        const int onLoadBefore = onLoad_;

        if (k.has(Keyword::DebugOpt)) {
            install(c.id, app_->ops.DEBUG_OPT, ctx_);
            note(c.id, "keyword DEBUG_OPT: debug panel test ramp");
        }
        if (k.has(Keyword::ExitPage)) {
            if (exit_ != nullptr) install(c.id, exit_->closeOperation, exit_);
            note(c.id, "keyword EXIT_PAGE: closes the dialog");
        }
        if (k.has(Keyword::SetSoftName)) {
            if (live_) {
                std::string title;
                if (GetPanelAttribute(app_->mainPanel.panel.load(), ATTR_TITLE, &title) >= 0)
                    SetCtrlVal(panel_, c.id, title);
            }
            note(c.id, "keyword SET_SOFTNAME: shows the main panel title");
        }
        if (k.has(Keyword::LgFil)) {
            const bool noTime = k.has(Keyword::LgFile);
            if (live_ && h_.logRecord != nullptr) {
                if (noTime && h_.logSetTimeColumn) h_.logSetTimeColumn(h_.logRecord, 0);
                if (h_.logInit) h_.logInit(h_.logRecord, panel_, 0, name);
                install(c.id, app_->ops.BrowseCB, h_.logRecord);
            }
            note(c.id, std::string("keyword LGFIL: data log switch") +
                           (noTime ? " without time column" : ""));
        }
        if (k.has(Keyword::LedLeftPix)) {
            if (live_) app_->ledLeftPixCtrl.store(c.id);
            note(c.id, "keyword LED_LEFTPIX: anchor of the dynamic LED group");
        }
        if (k.has(Keyword::Time)) {
            int period = 0;
            GetCtrlVal(panel_, c.id, &period);
            if (live_) app_->dataPeriodMs.store(period);
            note(c.id, "keyword TIME: data period " + std::to_string(period) + " ms");
        }
        if (k.has(Keyword::ComPower)) {
            if (live_ && h_.portFillRing) h_.portFillRing(panel_, c.id);
            if (table_->replyCount < kMaxReplies) {
                ReplyEntry& e = table_->replies[table_->replyCount++];
                e = ReplyEntry{};
                e.letter = '-';
                e.valueType = 'S';
                e.index = 0;
                e.byDigit = 0;
                e.ctrl = c.id;
                note(c.id, "keyword COM_POWER: port ring of port selection, reply entry " +
                               std::to_string(table_->replyCount - 1));
            } else {
                note(c.id, "keyword COM_POWER: port ring of port selection, no reply entry");
                warn(c, "port ring finds all ten reply entries taken; it gets none");
            }
            install(c.id, h_.comSelectOnly, ctx_);
        }
        if (k.has(Keyword::Resize)) {
            install(c.id, app_->ops.Resize, ctx_);
            note(c.id, "keyword RESIZE_: panel resize");
        }
        if (k.has(Keyword::Save2Load)) {
            if (live_) ctx_->pending.store(1);
            install(c.id, h_.saveAndReload2, ctx_);
            note(c.id, "keyword SAVE2_LOAD: saved values, save (mode 2) and restart");
        }
        if (k.has(Keyword::SaveLoad)) {
            if (live_) ctx_->pending.store(1);
            install(c.id, h_.saveAndReload, ctx_);
            note(c.id, "keyword SAVE_LOAD: saved values, save (mode 1) and restart");
        }
        if (k.has(Keyword::Graph)) {
            const bool ownWindow = k.has(Keyword::GraphSpc) || k.has(Keyword::GraphUi);
            if (live_) {
                auto init = ownWindow ? h_.graphInitAndUI : h_.graphInit;
                if (init) init(h_.graphRecord, panel_, c.id, -1, 50, 50, name);
            } else {
                dryGraphBound_ = true;
            }
            note(c.id, k.has(Keyword::GraphSpc)  ? "keyword GRAPH_SPC: spectrum graph window"
                       : k.has(Keyword::GraphUi) ? "keyword GRAPHUI: time graph window"
                                                 : "keyword GRAPH: time graph");
        }
        if (k.has(Keyword::One)) {
            onLoad_ = 1;
            note(c.id, "keyword _ONE: on-load command of saved values");
        }
        if (k.has(Keyword::TwoAll)) {
            if (live_) {
                app_->pcControl.store(0);
                app_->pcControlCtrl.store(c.id);
                app_->pcControlPanel.store(panel_);
            }
            install(c.id, app_->ops.CallBackAllIN, ctx_);
            note(c.id, "keyword 2_ALL: PC-control switch");
        }
        if (k.has(Keyword::Spc)) {
            if (live_ && h_.specInitParams) h_.specInitParams(name, ctx_, c.id);
            note(c.id, "keyword SPC_: spectrum parameter");
        }
        if (d.kind == ControlKind::Timed) timed(c, d);
        if (d.kind == ControlKind::Command && !command(c, d)) {
            onLoad_ = onLoadBefore;
            return false;
        }
        if (d.reply && !reply(c, d)) {
            onLoad_ = onLoadBefore;
            return false;
        }
        if (k.has(Keyword::BOud)) {
            const int slot = control_name::At(name, 6) - '0';
            if (slot >= 0 && slot < kOnOffSlots) {
                if (live_) B_working_InitB_Command(&TheBWorkingTable(), ctx_, c.id, slot, 0);
                note(c.id, "keyword B_OUD_: on/off list slot " + std::to_string(slot));
            } else {
                note(c.id, "keyword B_OUD_: no on/off slot");
                warn(c, "on/off slot digit outside 0..3; the list is not read");
            }
        }
        return true;
    }

    void timed(const PanelControl& c, const CommandDescriptor& d) {
        if (table_->timedCount >= kMaxTimed) {
            note(c.id, "timed command refused: all six are in use");
            warn(c, "seventh timed command; not bound");
            return;
        }
        CommandGroup& t = table_->timed[table_->timedCount];
        t = CommandGroup{};
        t.letter = d.letter;
        t.valueType[0] = d.valueType;
        t.ctrl[0] = c.id;
        t.scale[0] = 0.0f;
        t.waitReply = 0;
        t.flags = 0;
        t.periodMs = MainWorking_GetCtrlValAsInt(panel_, 0, t);
        ++table_->timedCount;
        note(c.id,
             "timed command " + Letter(d.letter) + " every " + std::to_string(t.periodMs) + " ms");
    }

    int findGroup(char letter) const {
        for (int g = 0; g < table_->groupCount && g < kMaxGroups; ++g)
            if (table_->groups[g].letter == letter) return g;
        return -1;
    }

    int findTimed(char letter) const {
        for (int t = 0; t < table_->timedCount && t < kMaxTimed; ++t)
            if (table_->timed[t].letter == letter) return t;
        return -1;
    }

    int findReply(char letter) const {
        for (int r = 0; r < table_->replyCount && r < kMaxReplies; ++r)
            if (table_->replies[r].letter == letter) return r;
        return -1;
    }

    // Returns false when binding stops (no room for a seventh group).
    bool command(const PanelControl& c, const CommandDescriptor& d) {
        int g = c.name.size() >= 9 ? findGroup(d.letter) : -1;
        if (g < 0) g = table_->groupCount;
        if (g >= kMaxGroups) {
            note(c.id, "binding stops here: no room for a seventh command group");
            warn(c, "seventh command group; binding stops here: later controls and every "
                    "prefixed control stay unbound");
            return false;
        }
        const int n = d.index;
        if (n < 0 || n >= kPositions) {
            note(c.id, "command refused: index " + std::to_string(n) + " outside 0..19");
            warn(c, "command index " + std::to_string(n) + " outside 0..19; not bound");
            return true;
        }
        CommandGroup& grp = table_->groups[g];
        if (g == table_->groupCount) {
            grp = CommandGroup{};
            ++table_->groupCount;
        }
        grp.letter = d.letter;
        grp.valueType[n] = d.valueType;
        grp.ctrl[n] = c.id;
        grp.waitReply = (d.sendMode == 'R' || d.sendMode == 'W') ? 1 : 0;
        grp.scale[n] = 1.0f;
        if (d.sendMode == 'W' || d.sendMode == 'Q') {
            grp.flags |= GROUP_QUEUED_SEND;
            install(c.id, MainWorking_CallBackSetSend, ctx_);
        } else {
            if (d.sendMode == 'L') grp.flags |= GROUP_REPEAT;
            install(c.id, app_->ops.CallBackAllIN, ctx_);
        }
        note(c.id, "command group " + Letter(d.letter) + " position " + std::to_string(n) +
                       ", send mode " + Letter(d.sendMode) + " (" + SendModeText(d.sendMode) + ")");
        return true;
    }

    // Returns false when binding stops (no room for an eleventh reply entry).
    bool reply(const PanelControl& c, const CommandDescriptor& d) {
        if (table_->replyCount >= kMaxReplies) {
            note(c.id, "binding stops here: no room for an eleventh reply entry");
            warn(c, "eleventh reply entry; binding stops here: later controls and every "
                    "prefixed control stay unbound");
            return false;
        }
        ReplyEntry& e = table_->replies[table_->replyCount++];
        e = ReplyEntry{};
        e.letter = d.letter;
        e.valueType = d.valueType;
        e.index = d.replyIndex;
        e.byDigit = d.byDigit ? 1 : 0;
        e.ctrl = c.id;
        e.scale = 0.0f;
        std::string how = d.byDigit          ? "by digit " + std::to_string(d.replyIndex)
                          : d.replyIndex < 0 ? std::string("whole line")
                                             : "field " + std::to_string(d.replyIndex);
        note(c.id, "reply entry " + Letter(d.letter) + " " + how);
        return true;
    }

    void secondWalk(const PanelControl& c) {
        const CommandDescriptor p = ClassifyPrefix(c.name);
        switch (p.kind) {
        case ControlKind::EnableSwitch:
            enableSwitch(c, p);
            break;
        case ControlKind::TextSender:
            textSender(c, p);
            break;
        case ControlKind::QueueButton:
            queueButton(c, p);
            break;
        case ControlKind::GroupMapping:
            groupMapping(c, p);
            break;
        case ControlKind::ReplyMapping:
            replyMapping(c, p);
            break;
        case ControlKind::Mirror:
            mirror(c, p);
            break;
        default:
            break;
        }
    }

    void enableSwitch(const PanelControl& c, const CommandDescriptor& p) {
        const int g = findGroup(p.letter);
        if (g >= 0) {
            if (p.index < 0 || p.index >= kPositions) {
                note(c.id,
                     "enable switch refused: index " + std::to_string(p.index) + " outside 0..19");
                warn(c, "enable switch index " + std::to_string(p.index) +
                            " outside 0..19; not bound");
                return;
            }
            CommandGroup& grp = table_->groups[g];
            grp.enableCtrl[p.index] = c.id;
            if (grp.flags & GROUP_QUEUED_SEND)
                install(c.id, MainWorking_CallBackSetSend, ctx_);
            else
                install(c.id, app_->ops.CallBackAllIN, ctx_);
            note(c.id, "enable switch of command group " + Letter(p.letter) + " position " +
                           std::to_string(p.index));
            return;
        }
        const int t = findTimed(p.letter);
        if (t >= 0) {
            table_->timed[t].enableCtrl[0] = c.id;
            note(c.id, "enable switch of timed command " + Letter(p.letter));
            return;
        }
        note(c.id, "enable switch of letter " + Letter(p.letter) + ": matches nothing");
        warn(c,
             "enable switch: no command group or timed command has the letter " + Letter(p.letter));
    }

    void textSender(const PanelControl& c, const CommandDescriptor& p) {
        const PanelControl* target = nullptr;
        for (const auto& other : controls_)
            if (!other.name.empty() && c.name.find(other.name) == 2) target = &other;
        if (target == nullptr) {
            note(c.id, "text sender of " + Quoted(p.target) + ": no such control");
            warn(c, "text sender: no control named " + Quoted(p.target) + " or a beginning of it");
            return;
        }
        install(c.id, MainWorking_ControNmPointer, CtrlIdData(target->id));
        note(c.id, "text sender of " + Quoted(target->name) + " (control " +
                       std::to_string(target->id) + ")");
    }

    void queueButton(const PanelControl& c, const CommandDescriptor& p) {
        int marked = 0;
        for (int g = 0; g < table_->groupCount && g < kMaxGroups; ++g) {
            if (table_->groups[g].letter == p.letter) {
                table_->groups[g].flags |= GROUP_QUEUED_SEND;
                ++marked;
            }
        }
        install(c.id, MainWorking_CallBackSetSend, ctx_);
        note(c.id, "queue button of letter " + Letter(p.letter) +
                       (marked ? "" : " (no command group has it)"));
    }

    void groupMapping(const PanelControl& c, const CommandDescriptor& p) {
        const int g = findGroup(p.letter);
        if (g < 0) {
            note(c.id, "group mapping of letter " + Letter(p.letter) + ": matches nothing");
            warn(c, "group mapping: no command group has the letter " + Letter(p.letter));
            return;
        }
        if (p.index < 0 || p.index >= kPositions) {
            note(c.id,
                 "group mapping refused: index " + std::to_string(p.index) + " outside 0..19");
            warn(c, "group mapping index " + std::to_string(p.index) + " outside 0..19; not bound");
            return;
        }
        ScaleCell& cell = table_->groups[g].scale[p.index];
        float f = 0.0f;
        if (GetCtrlVal(panel_, c.id, &f) >= 0) cell.store(f);
        install(c.id, app_->ops.Mapping, &cell);
        note(c.id, "group mapping of command group " + Letter(p.letter) + " position " +
                       std::to_string(p.index));
    }

    void replyMapping(const PanelControl& c, const CommandDescriptor& p) {
        const int r = findReply(p.letter);
        if (r < 0) {
            note(c.id, "reply mapping of letter " + Letter(p.letter) + ": matches nothing");
            warn(c, "reply mapping: no reply entry has the letter " + Letter(p.letter));
            return;
        }
        ScaleCell& cell = table_->replies[r].scale;
        float f = 0.0f;
        if (GetCtrlVal(panel_, c.id, &f) >= 0) cell.store(f);
        install(c.id, app_->ops.Mapping, &cell);
        note(c.id, "reply mapping of reply entry " + std::to_string(r) + " (letter " +
                       Letter(p.letter) + ")");
    }

    void mirror(const PanelControl& c, const CommandDescriptor& p) {
        for (const auto& other : controls_) {
            if (other.name == p.target) {
                install(c.id, MainWorking_UpdateValOtherCnrl, CtrlIdData(other.id));
                note(c.id, "mirror to " + Quoted(other.name) + " (control " +
                               std::to_string(other.id) + ")");
                return;
            }
        }
        note(c.id, "mirror to " + Quoted(p.target) + ": no such control");
        warn(c, "mirror: no control named " + Quoted(p.target));
    }

    void traceNames() {
        for (int r = 0; r < table_->replyCount && r < kMaxReplies; ++r) {
            const ReplyEntry& e = table_->replies[r];
            if (e.letter != 'D' || e.index < 0) continue;
            std::string label;
            GetCtrlAttribute(panel_, e.ctrl, ATTR_LABEL_TEXT, &label);
            if (live_ && h_.graphInitName) h_.graphInitName(h_.graphRecord, label, e.index);
            note(e.ctrl, "names graph trace " + std::to_string(e.index));
        }
    }

    PanelContext* ctx_;
    int panel_;
    ExitHandler* exit_;
    bool live_;
    BindingReport* report_;
    AppRecord* app_;
    const EngineHandovers& h_;
    std::shared_ptr<ControlTable> table_;
    std::vector<PanelControl> controls_;
    int onLoad_ = 0;
    bool stopped_ = false;
    bool dryGraphBound_ = false;
};

} // namespace

int MainWorking_InitAllControls(PanelContext* ctx, int panel, ExitHandler* exitHandler) {
    if (ctx == nullptr) return 0;
    Binder binder(ctx, panel, exitHandler, true, nullptr);
    const int onLoad = binder.run();
    ctx->publish(binder.table());
    return onLoad;
}

void MainWorking_InitAllControlsBegin(PanelContext* ctx, int panel) {
    if (ctx == nullptr) return;
    AppRecord* app = ctx->app ? ctx->app : &TheAppRecord();
    // A newly opened port: threads of the previous connection stop touching port and panels
    // before stopFlag is cleared below.
    MainWorking_BeginConnection();
    ctx->panel.store(panel);
    const int flag = MainWorking_InitAllControls(ctx, panel, nullptr);
    const EngineHandovers& h = MainWorking_Handovers();
    if (h.initSaveAndSendOne) h.initSaveAndSendOne(ctx, flag);
    app->stopFlag.store(0);
    if (h.scheduleEngineThreads) h.scheduleEngineThreads(app);
}

void MainWorking_InitOtherPanel(AppRecord* app, ExitHandler* exitHandler, int panel) {
    if (app == nullptr) return;
    PanelContext& other = app->otherPanel;
    other.app = app;
    other.panel.store(panel);
    MainWorking_InitAllControls(&other, panel, exitHandler);
}

void MainWorking_CloseOtherPanel(AppRecord* app) {
    if (app == nullptr) return;
    PanelContext& other = app->otherPanel;
    other.panel.store(0);
    other.publish(std::make_shared<ControlTable>());
    other.pending.store(0);
    const EngineHandovers& h = MainWorking_Handovers();
    if (h.debugClosePanel) h.debugClosePanel();
    other.clearQueues();
}

int MainWorking_GetIdCtrlFromName(const PanelContext* ctx, std::string_view name) {
    if (ctx == nullptr) return -1;
    for (const auto& c : ListControls(ctx->panel.load()))
        if (c.name == name) return c.id;
    return -1;
}

std::shared_ptr<ControlTable> MainWorking_PlanBinding(int panel, BindingReport* report) {
    Binder binder(nullptr, panel, nullptr, false, report);
    binder.run();
    return binder.table();
}
