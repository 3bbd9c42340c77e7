#include "runtime/ini_document.h"

#include <strings.h>

namespace {

constexpr const char* kBlanks = " \t\r\v\f";
constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

enum class LineKind { Blank, Comment, Section, Entry };

struct ParsedLine {
    LineKind kind = LineKind::Blank;
    std::string name;  // section or key name
    std::string value; // entries
    bool hasEquals = false;
};

ParsedLine parse(const std::string& raw) {
    ParsedLine line;
    std::string text = TrimBlanks(raw);
    if (text.empty()) return line;
    if (text[0] == ';') {
        line.kind = LineKind::Comment;
    } else if (text[0] == '[') {
        line.kind = LineKind::Section;
        std::size_t close = text.find(']');
        line.name =
            TrimBlanks(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else {
        line.kind = LineKind::Entry;
        std::size_t equals = text.find('=');
        line.hasEquals = equals != std::string::npos;
        line.name = TrimBlanks(text.substr(0, equals));
        if (line.hasEquals) line.value = TrimBlanks(text.substr(equals + 1));
    }
    return line;
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

} // namespace

std::string TrimBlanks(const std::string& text) {
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos) return {};
    std::size_t last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

IniDocument::IniDocument(const std::string& content) {
    std::size_t start = 0;
    if (content.compare(0, 3, kByteOrderMark) == 0) {
        byteOrderMark_ = kByteOrderMark;
        start = 3;
    }
    bool styleKnown = false;
    while (start < content.size()) {
        std::size_t newline = content.find('\n', start);
        Line line;
        if (newline == std::string::npos) {
            line.text = content.substr(start);
            start = content.size();
        } else {
            line.text = content.substr(start, newline - start);
            line.end = "\n";
            if (!line.text.empty() && line.text.back() == '\r') {
                line.text.pop_back();
                line.end = "\r\n";
            }
            start = newline + 1;
            if (!styleKnown) {
                lineEnd_ = line.end;
                styleKnown = true;
            }
        }
        lines_.push_back(std::move(line));
    }
}

std::string IniDocument::text() const {
    std::string out = byteOrderMark_;
    for (const Line& line : lines_)
        out += line.text + line.end;
    return out;
}

std::size_t IniDocument::findSection(const std::string& section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        ParsedLine line = parse(lines_[i].text);
        if (line.kind == LineKind::Section && sameName(line.name, section)) return i;
    }
    return npos;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && parse(lines_[i].text).kind != LineKind::Section)
        ++i;
    return i;
}

std::size_t IniDocument::findKey(std::size_t header, const std::string& key) const {
    std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        ParsedLine line = parse(lines_[i].text);
        if (line.kind == LineKind::Entry && sameName(line.name, key)) return i;
    }
    return npos;
}

std::optional<std::string> IniDocument::value(const std::string& section,
                                              const std::string& key) const {
    std::size_t header = findSection(section);
    if (header == npos) return std::nullopt;
    std::size_t at = findKey(header, key);
    if (at == npos) return std::nullopt;
    return parse(lines_[at].text).value;
}

std::vector<std::string> IniDocument::entries(const std::string& section) const {
    std::vector<std::string> out;
    std::size_t header = findSection(section);
    if (header == npos) return out;
    std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        ParsedLine line = parse(lines_[i].text);
        if (line.kind != LineKind::Entry) continue;
        out.push_back(line.hasEquals ? line.name + "=" + line.value : line.name);
    }
    return out;
}

void IniDocument::insertLine(std::size_t at, std::string text) {
    // The line before the new one must end, or the two would run together.
    if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = lineEnd_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at),
                  Line{std::move(text), lineEnd_});
}

bool IniDocument::set(const std::string& section, const std::string& key,
                      const std::string& value) {
    std::size_t header = findSection(section);
    if (header == npos) {
        insertLine(lines_.size(), "[" + section + "]");
        insertLine(lines_.size(), key + "=" + value);
        return true;
    }
    std::size_t at = findKey(header, key);
    if (at != npos) {
        ParsedLine old = parse(lines_[at].text);
        if (old.hasEquals && old.value == value) return false;
        std::string& raw = lines_[at].text;
        std::size_t equals = raw.find('=');
        if (equals == std::string::npos) {
            raw = raw.substr(0, raw.find_last_not_of(kBlanks) + 1) + "=" + value;
            return true;
        }
        // Keep the key as written and the blanks after "=" that stood before a value.
        std::size_t valueStart = raw.find_first_not_of(" \t", equals + 1);
        std::size_t keep = valueStart == std::string::npos ? equals + 1 : valueStart;
        raw = raw.substr(0, keep) + value;
        return true;
    }
    // After the section's last key line: comments and blank lines after it stay below.
    std::size_t end = sectionEnd(header);
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < end; ++i)
        if (parse(lines_[i].text).kind == LineKind::Entry) insertAt = i + 1;
    insertLine(insertAt, key + "=" + value);
    return true;
}
