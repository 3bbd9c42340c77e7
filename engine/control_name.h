// What a control's constant name declares. The grammar is positional: a field is the byte at
// a fixed position (a position past the end reads as the terminating zero), a marker is found
// by a substring search on the whole name, and a number is a decimal conversion that starts at
// a fixed position. Comparisons are byte-exact and case-sensitive.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

enum class ControlKind {
    None,
    Command,      // "_IN" at position 3
    Timed,        // "_AL0" at position 3
    Reply,        // contains "_OUT" or "_OUO"
    EnableSwitch, // "1_"
    TextSender,   // "9_"
    QueueButton,  // "4_"
    GroupMapping, // "5_"
    ReplyMapping, // "5O_"
    Mirror,       // "6_"
    Keyword,      // only keywords of the first walk
};

// Keywords of the first walk; a name may match several.
enum class Keyword : uint32_t {
    DebugOpt,    // contains "DEBUG_OPT"
    ExitPage,    // begins with "EXIT_PAGE"
    SetSoftName, // begins with "SET_SOFTNAME"
    LgFil,       // contains "LGFIL"
    LgFile,      // contains "LGFILE" (with LgFil)
    LedLeftPix,  // contains "LED_LEFTPIX"
    Time,        // the whole name is "TIME"
    ComPower,    // begins with "COM_POWER"
    Resize,      // contains "RESIZE_"
    Save2Load,   // begins with "SAVE2_LOAD"
    SaveLoad,    // begins with "SAVE_LOAD"
    Graph,       // contains "GRAPH" (only while no graph is bound)
    GraphSpc,    // contains "GRAPH_SPC" (with Graph)
    GraphUi,     // contains "GRAPHUI" (with Graph)
    One,         // contains "_ONE"
    TwoAll,      // contains "2_ALL"
    Spc,         // begins with "SPC_"
    BOud,        // begins with "B_OUD_"
    Count_
};

class KeywordSet {
  public:
    KeywordSet() = default;
    KeywordSet(std::initializer_list<Keyword> list) {
        for (Keyword k : list)
            add(k);
    }
    void add(Keyword k) { bits_ |= bit(k); }
    bool has(Keyword k) const { return (bits_ & bit(k)) != 0; }
    bool empty() const { return bits_ == 0; }
    bool operator==(const KeywordSet&) const = default;
    // The keywords' texts in table order, separated by ",", e.g. "LGFIL,LGFILE".
    std::string toString() const;

  private:
    static uint32_t bit(Keyword k) { return 1u << static_cast<uint32_t>(k); }
    uint32_t bits_ = 0;
};

const char* KeywordText(Keyword k);         // "DEBUG_OPT", "EXIT_PAGE", ...
const char* ControlKindText(ControlKind k); // "command", "timed", ...

// The classification of one name by one walk of the binding.
struct CommandDescriptor {
    ControlKind kind = ControlKind::None;
    char letter = 0;      // position 0 (first walk) or the position after the prefix
    char valueType = 0;   // position 2 of the base name
    char sendMode = 0;    // command kind only: position 6
    int index = 0;        // command/reply/enable switch/group mapping index; see classify
    bool byDigit = false; // reply: the name contains "_OUO"
    // A command or timed name that also contains "_OUT"/"_OUO" declares a reply control too;
    // kind Reply sets it as well. replyIndex is the reply's index (-1 = whole line).
    bool reply = false;
    int replyIndex = -1;
    std::string target; // text sender and mirror: the text after the prefix
    KeywordSet keywords;
    bool operator==(const CommandDescriptor&) const = default;
};

// First walk of the binding: keywords and direction markers, in their fixed order. graphBound
// tells whether a graph is already bound (a "GRAPH" name then goes on to the direction tests).
CommandDescriptor ClassifyFirstWalk(std::string_view name, bool graphBound = false);

// Second walk of the binding: the prefixes "1_", "9_", "4_", "5_", "5O_", "6_". kind None when
// the name has none of them.
CommandDescriptor ClassifyPrefix(std::string_view name);

// Both walks of one name.
struct ControlClassification {
    CommandDescriptor first;
    CommandDescriptor prefix;
};
ControlClassification Classify(std::string_view name, bool graphBound = false);

// Grammar helpers shared with the modules that read numbers from names.
namespace control_name {
// The byte at position p, or 0 past the end (the terminating zero).
char At(std::string_view name, std::size_t p);
// True when the first occurrence of text in name starts at p.
bool HasAt(std::string_view name, std::string_view text, std::size_t p);
bool Contains(std::string_view name, std::string_view text);
bool BeginsWith(std::string_view name, std::string_view text);
// Decimal conversion from position p: blanks, sign, digits up to the first non-digit; no
// digits (or p past the end) gives 0; values beyond the int range are clamped.
int NumberAt(std::string_view name, std::size_t p);
// The letter a queue button or a queuing module queues: position 0, or position 2 when
// position 0 is a decimal digit ("4_O" -> 'O', "1_I_D_INR_0" -> 'I').
char QueuedLetter(std::string_view name);
} // namespace control_name
