// Re-binding a panel while two threads work from its control table the way the send and reply
// threads do: every table a thread takes is complete, and (under ThreadSanitizer) no access
// races with the binding.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "engine/binding.h"
#include "engine/callbacks.h"
#include "engine/conversion.h"
#include "engine/on_off_lists.h"
#include "engine/pending_letters.h"
#include "runtime/system.h"
#include "runtime/threads.h"
#include "runtime/userint.h"
#include "support_panels.h"

namespace {

class RebindingWhileThreadsRead : public EngineTest {};

TEST_F(RebindingWhileThreadsRead, ThreadsAlwaysSeeACompleteTable) {
    const int panel = LoadFixturePanel(
        {Int("TIME", 100), Int("G_D_INQ_0", 10), Int("G_D_INQ_1", 20), Text("H_S_INR", "abc"),
         Float("5_G_D_INQ_1", 2.0), Text("D_S_OUT_0", ""), Int("D_D_OUT_1", 0), Text("D_S_OUT", ""),
         Int("W_D_AL0_0", 500), Toggle("1_W_D_AL0_0", true), Button("4_O"), Button("9_STOPCOMAND"),
         Text("STOPCOMAND", "O:0"), Text("B_OUD_0", "ON=4_O;OFF=9_STOPCOMAND;")});
    ASSERT_GT(panel, 0);
    AppRecord& app = TheAppRecord();
    PanelContext& ctx = app.mainPanel;
    ctx.panel.store(panel);
    MainWorking_CreatePendingLetterLock();

    std::atomic<bool> done{false};
    std::atomic<int> incomplete{0}, completeSeen{0}, linesBuilt{0}, repliesWritten{0};

    // A complete table of this panel: two groups, three replies, one timed command.
    auto complete = [](const ControlTable& t) {
        return t.groupCount == 2 && t.replyCount == 3 && t.timedCount == 1 &&
               t.groups[0].letter == 'G' && t.groups[0].ctrl[0] == 2 && t.groups[0].ctrl[1] == 3 &&
               t.groups[1].letter == 'H' && t.groups[1].ctrl[0] == 4 && t.replies[0].ctrl == 6 &&
               t.replies[1].ctrl == 7 && t.replies[2].ctrl == 8 && t.timed[0].letter == 'W' &&
               t.timed[0].enableCtrl[0] == 10;
    };
    auto empty = [](const ControlTable& t) {
        return t.groupCount == 0 && t.replyCount == 0 && t.timedCount == 0;
    };

    // Like the send thread: one table per pass, group lines from it, letters taken.
    std::thread sender([&] {
        while (!done.load()) {
            const auto t = ctx.table();
            if (complete(*t))
                ++completeSeen;
            else if (!empty(*t))
                ++incomplete;
            for (auto& slot : ctx.pendingLetters)
                slot.exchange(0);
            ctx.pending.store(0);
            for (int g = 0; g < t->groupCount; ++g) {
                std::string line(1, t->groups[g].letter);
                for (int i = 0; i < kPositions && t->groups[g].ctrl[i] != 0; ++i) {
                    char value[kGroupLineLimit + 1];
                    MainWorking_GetCtrlValAsChar(t->panel, i, t->groups[g], value, sizeof value);
                    line += value;
                }
                ++linesBuilt;
            }
            double now = 0;
            GetCurrentDateTime(&now);
            for (int i = 0; i < t->timedCount; ++i)
                t->timed[i].nextDue.store(now + 0.5);
            SleepMs(1);
        }
    });
    // Like the reply thread: reply fields into the entries' controls, on/off reports.
    std::thread replier([&] {
        while (!done.load()) {
            const auto t = ctx.table();
            if (!complete(*t) && !empty(*t)) ++incomplete;
            for (int r = 0; r < t->replyCount; ++r) {
                if (t->replies[r].scale.load() < 0.0f) ++incomplete;
                MainWorking_SetCtrlValAsChar(t->panel, t->replies[r], "00123");
                ++repliesWritten;
            }
            B_working_SetOnOff(&TheBWorkingTable(), &ctx, "B0,1");
            SleepMs(1);
        }
    });

    // The user-interface thread: re-binding, mapping changes, queued letters.
    const int mapping = CtrlId(panel, "5_G_D_INQ_1");
    const int queued = CtrlId(panel, "G_D_INQ_0");
    for (int i = 0; i < 150; ++i) {
        MainWorking_InitAllControls(&ctx, panel, nullptr);
        SetCtrlVal(panel, mapping, static_cast<float>(1 + i % 3));
        FireCtrlEvent(panel, mapping, EVENT_COMMIT);
        FireCtrlEvent(panel, queued, EVENT_COMMIT);
        if (i % 10 == 0) SleepMs(2);
    }
    // Let both threads take the last table at least once.
    for (int wait = 0; wait < 2000 && (linesBuilt.load() == 0 || repliesWritten.load() == 0);
         ++wait)
        SleepMs(1);
    done.store(true);
    sender.join();
    replier.join();
    MainWorking_DeletePendingLetterLock();

    EXPECT_EQ(incomplete.load(), 0);
    EXPECT_GT(completeSeen.load(), 0);
    EXPECT_GT(linesBuilt.load(), 0);
    EXPECT_GT(repliesWritten.load(), 0);
    // Tables no thread holds any more are released.
    MainWorking_InitAllControls(&ctx, panel, nullptr);
    EXPECT_EQ(ctx.retiredTableCount(), 0u);
}

} // namespace
