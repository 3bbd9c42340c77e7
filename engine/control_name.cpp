#include "engine/control_name.h"

#include <climits>

namespace control_name {

char At(std::string_view name, std::size_t p) {
    return p < name.size() ? name[p] : '\0';
}

bool HasAt(std::string_view name, std::string_view text, std::size_t p) {
    return name.find(text) == p;
}

bool Contains(std::string_view name, std::string_view text) {
    return name.find(text) != std::string_view::npos;
}

bool BeginsWith(std::string_view name, std::string_view text) {
    return HasAt(name, text, 0);
}

int NumberAt(std::string_view name, std::size_t p) {
    std::size_t i = p;
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < name.size() && blank(name[i]))
        ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == '+' || name[i] == '-')) {
        negative = name[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
        if (value <= static_cast<long long>(INT_MAX) + 1) value = value * 10 + (name[i] - '0');
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

char QueuedLetter(std::string_view name) {
    char c = At(name, 0);
    return (c >= '0' && c <= '9') ? At(name, 2) : c;
}

} // namespace control_name

using namespace control_name;

namespace {

constexpr const char* kKeywordTexts[] = {
    "DEBUG_OPT", "EXIT_PAGE", "SET_SOFTNAME", "LGFIL",      "LGFILE",    "LED_LEFTPIX",
    "TIME",      "COM_POWER", "RESIZE_",      "SAVE2_LOAD", "SAVE_LOAD", "GRAPH",
    "GRAPH_SPC", "GRAPHUI",   "_ONE",         "2_ALL",      "SPC_",      "B_OUD_",
};
static_assert(sizeof(kKeywordTexts) / sizeof(kKeywordTexts[0]) ==
              static_cast<std::size_t>(Keyword::Count_));

// Index of a prefixed name: the number at position 10 when the base name (after the
// two-character prefix) has at least 9 characters.
int PrefixedIndex(std::string_view name) {
    return name.size() >= 2 + 9 ? NumberAt(name, 10) : 0;
}

} // namespace

const char* KeywordText(Keyword k) {
    auto i = static_cast<std::size_t>(k);
    return i < static_cast<std::size_t>(Keyword::Count_) ? kKeywordTexts[i] : "?";
}

const char* ControlKindText(ControlKind k) {
    switch (k) {
    case ControlKind::None:
        return "none";
    case ControlKind::Command:
        return "command";
    case ControlKind::Timed:
        return "timed";
    case ControlKind::Reply:
        return "reply";
    case ControlKind::EnableSwitch:
        return "enable switch";
    case ControlKind::TextSender:
        return "text sender";
    case ControlKind::QueueButton:
        return "queue button";
    case ControlKind::GroupMapping:
        return "group mapping";
    case ControlKind::ReplyMapping:
        return "reply mapping";
    case ControlKind::Mirror:
        return "mirror";
    case ControlKind::Keyword:
        return "keyword";
    }
    return "?";
}

std::string KeywordSet::toString() const {
    std::string s;
    for (uint32_t i = 0; i < static_cast<uint32_t>(Keyword::Count_); ++i) {
        if (!has(static_cast<Keyword>(i))) continue;
        if (!s.empty()) s += ',';
        s += kKeywordTexts[i];
    }
    return s;
}

CommandDescriptor ClassifyFirstWalk(std::string_view name, bool graphBound) {
    CommandDescriptor d;
    auto finish = [&d]() {
        if (d.kind == ControlKind::None && !d.keywords.empty()) d.kind = ControlKind::Keyword;
        return d;
    };

    if (Contains(name, "DEBUG_OPT")) {
        d.keywords.add(Keyword::DebugOpt);
        return finish();
    }
    if (BeginsWith(name, "EXIT_PAGE")) d.keywords.add(Keyword::ExitPage);
    if (BeginsWith(name, "SET_SOFTNAME")) d.keywords.add(Keyword::SetSoftName);
    if (Contains(name, "LGFIL")) {
        d.keywords.add(Keyword::LgFil);
        if (Contains(name, "LGFILE")) d.keywords.add(Keyword::LgFile);
        return finish();
    }
    if (Contains(name, "LED_LEFTPIX")) d.keywords.add(Keyword::LedLeftPix);
    if (name == "TIME") d.keywords.add(Keyword::Time);
    if (BeginsWith(name, "COM_POWER")) d.keywords.add(Keyword::ComPower);
    if (Contains(name, "RESIZE_")) d.keywords.add(Keyword::Resize);
    if (BeginsWith(name, "SAVE2_LOAD")) d.keywords.add(Keyword::Save2Load);
    if (BeginsWith(name, "SAVE_LOAD")) d.keywords.add(Keyword::SaveLoad);
    if (!graphBound && Contains(name, "GRAPH")) {
        d.keywords.add(Keyword::Graph);
        if (Contains(name, "GRAPHUI")) d.keywords.add(Keyword::GraphUi);
        if (Contains(name, "GRAPH_SPC")) {
            d.keywords.add(Keyword::GraphSpc);
        } else {
            return finish();
        }
    }
    if (Contains(name, "_ONE")) d.keywords.add(Keyword::One);
    if (Contains(name, "2_ALL")) d.keywords.add(Keyword::TwoAll);
    if (BeginsWith(name, "SPC_")) {
        d.keywords.add(Keyword::Spc);
        return finish();
    }

    const bool longName = name.size() >= 9;
    if (HasAt(name, "_AL0", 3)) {
        d.kind = ControlKind::Timed;
    } else if (HasAt(name, "_IN", 3)) {
        d.kind = ControlKind::Command;
        d.sendMode = At(name, 6);
        d.index = longName ? NumberAt(name, 8) : 0;
    }
    if (Contains(name, "_OUT") || Contains(name, "_OUO")) {
        d.reply = true;
        d.byDigit = Contains(name, "_OUO");
        d.replyIndex = longName ? NumberAt(name, 8) : -1;
        if (d.kind == ControlKind::None) {
            d.kind = ControlKind::Reply;
            d.index = d.replyIndex;
        }
    }
    if (d.kind != ControlKind::None) {
        d.letter = At(name, 0);
        d.valueType = At(name, 2);
    }
    if (BeginsWith(name, "B_OUD_")) d.keywords.add(Keyword::BOud);
    return finish();
}

CommandDescriptor ClassifyPrefix(std::string_view name) {
    CommandDescriptor d;
    if (BeginsWith(name, "1_")) {
        d.kind = ControlKind::EnableSwitch;
        d.letter = At(name, 2);
        d.valueType = At(name, 4);
        d.index = PrefixedIndex(name);
    } else if (BeginsWith(name, "9_")) {
        d.kind = ControlKind::TextSender;
        d.target = std::string(name.substr(2));
    } else if (BeginsWith(name, "4_")) {
        d.kind = ControlKind::QueueButton;
        d.letter = At(name, 2);
        d.valueType = At(name, 4);
    } else if (BeginsWith(name, "5_")) {
        d.kind = ControlKind::GroupMapping;
        d.letter = At(name, 2);
        d.valueType = At(name, 4);
        d.index = PrefixedIndex(name);
    } else if (BeginsWith(name, "5O_")) {
        d.kind = ControlKind::ReplyMapping;
        d.letter = At(name, 3);
        d.valueType = At(name, 5);
    } else if (BeginsWith(name, "6_")) {
        d.kind = ControlKind::Mirror;
        d.target = std::string(name.substr(2));
    }
    return d;
}

ControlClassification Classify(std::string_view name, bool graphBound) {
    return {ClassifyFirstWalk(name, graphBound), ClassifyPrefix(name)};
}
