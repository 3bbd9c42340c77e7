// On/off lists: a text control named "B_OUD_<slot>" lists controls to dim and undim when the
// device reports an on/off state with a reply line "B<slot>,<state>".
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

class PanelContext;

constexpr int kOnOffSlots = 4;
constexpr int kOnOffNames = 5;    // ids per list
constexpr int kOnOffNameMax = 29; // longest control name a list can hold

struct OnOffSlot {
    int32_t on[kOnOffNames] = {};  // ends at the first 0
    int32_t off[kOnOffNames] = {}; // ends at the first 0
};

struct BWorkingTable;
using BWorkingInitFn = void (*)(BWorkingTable* table, PanelContext* ctx, int control, int slot,
                                int unused);
using BWorkingSetFn = void (*)(BWorkingTable* table, PanelContext* ctx, const char* reply);

// The module's record. Binding (user-interface thread) fills slots while the reply and spectrum
// threads apply reports: a slot is replaced and read whole under `lock`.
struct BWorkingTable {
    OnOffSlot slots[kOnOffSlots];
    BWorkingInitFn InitB_Command = nullptr;
    BWorkingSetFn SetOnOff = nullptr;
    std::mutex lock;

    OnOffSlot slot(int n); // a copy, taken under the lock; n in 0..3
};

BWorkingTable& TheBWorkingTable();

// Clears all four slots and sets the two operations.
void B_working_INIT_POINTERS(BWorkingTable* table);

// Reads the list text of `control` on the context's panel into slot `slot`. The text has the
// form "ON=" name ";" ... ";OFF=" name ";" ... ";". A slot outside 0..3 is ignored.
void B_working_InitB_Command(BWorkingTable* table, PanelContext* ctx, int control, int slot,
                             int unused);

// Applies a report "B<slot>,<state>": the slot's on list gets dimmed = state, its off list
// dimmed = state with the lowest bit inverted, on the context's panel. A report shorter than
// four characters, a slot outside 0..3 or a state that is not a decimal digit is ignored.
void B_working_SetOnOff(BWorkingTable* table, PanelContext* ctx, const char* reply);

// Splits an on/off text into its two name lists, in text order. Names are the texts between
// two ";"; the character at position 2 counts as the first ";" and the ";" of ";OFF=" closes
// the on list. A text without ";OFF=" is all on list, its end closing the last name; in the off
// list a name after the last ";" is not taken. Empty names and names longer than 29 characters
// are left out (they name no control the list can hold).
void B_working_SplitLists(std::string_view text, std::vector<std::string>* on,
                          std::vector<std::string>* off);
