#include "engine/on_off_lists.h"

#include "engine/app_record.h"
#include "engine/binding.h"

namespace {

// Appends the names of `region` to `names`; the piece after the last ";" counts only when
// `closedAtEnd` (the end of the region closes it).
void SplitNames(std::string_view region, bool closedAtEnd, std::vector<std::string>* names) {
    std::size_t start = 0;
    while (start <= region.size()) {
        std::size_t end = region.find(';', start);
        if (end == std::string_view::npos) {
            if (!closedAtEnd) break;
            end = region.size();
        }
        std::string_view name = region.substr(start, end - start);
        if (!name.empty() && name.size() <= static_cast<std::size_t>(kOnOffNameMax))
            names->emplace_back(name);
        start = end + 1;
    }
}

// Looks the names up on the context's panel; the first five found ids make the list.
void FillIds(PanelContext* ctx, const std::vector<std::string>& names, int32_t* ids) {
    int n = 0;
    for (const auto& name : names) {
        if (n == kOnOffNames) break;
        int id = MainWorking_GetIdCtrlFromName(ctx, name);
        if (id > 0) ids[n++] = id;
    }
}

void Apply(int panel, const int32_t* ids, int dimmed) {
    for (int i = 0; i < kOnOffNames && ids[i] != 0; ++i)
        SetCtrlAttribute(panel, ids[i], ATTR_DIMMED, dimmed);
}

} // namespace

OnOffSlot BWorkingTable::slot(int n) {
    std::lock_guard<std::mutex> guard(lock);
    return slots[n];
}

BWorkingTable& TheBWorkingTable() {
    static BWorkingTable table;
    return table;
}

void B_working_INIT_POINTERS(BWorkingTable* table) {
    {
        std::lock_guard<std::mutex> guard(table->lock);
        for (auto& s : table->slots)
            s = OnOffSlot{};
    }
    table->InitB_Command = B_working_InitB_Command;
    table->SetOnOff = B_working_SetOnOff;
}

void B_working_SplitLists(std::string_view text, std::vector<std::string>* on,
                          std::vector<std::string>* off) {
    const std::size_t offPos = text.find(";OFF=");
    if (offPos == std::string_view::npos) {
        if (text.size() > 3) SplitNames(text.substr(3), true, on);
        return;
    }
    if (offPos > 3) SplitNames(text.substr(3, offPos - 3), true, on);
    SplitNames(text.substr(offPos + 5), false, off);
}

void B_working_InitB_Command(BWorkingTable* table, PanelContext* ctx, int control, int slot, int) {
    if (table == nullptr || ctx == nullptr || slot < 0 || slot >= kOnOffSlots) return;
    std::string text;
    if (GetCtrlVal(ctx->panel.load(), control, &text) < 0) return;
    std::vector<std::string> on, off;
    B_working_SplitLists(text, &on, &off);
    OnOffSlot lists;
    FillIds(ctx, on, lists.on);
    FillIds(ctx, off, lists.off);
    std::lock_guard<std::mutex> guard(table->lock);
    table->slots[slot] = lists;
}

void B_working_SetOnOff(BWorkingTable* table, PanelContext* ctx, const char* reply) {
    if (table == nullptr || ctx == nullptr || reply == nullptr) return;
    std::string_view r(reply);
    if (r.size() < 4) return;
    const int slot = r[1] - '0';
    const int state = r[3] - '0';
    if (slot < 0 || slot >= kOnOffSlots || state < 0 || state > 9) return;
    const OnOffSlot lists = table->slot(slot);
    const int panel = ctx->panel.load();
    Apply(panel, lists.on, state);
    Apply(panel, lists.off, state ^ 1);
}
