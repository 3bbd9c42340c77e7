// A configuration file held as its lines, so that a change touches one line and every other
// byte (comments, blank lines, spacing, CRLF or LF line ends) is written back as it was.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class IniDocument {
  public:
    explicit IniDocument(const std::string& content);
    std::string text() const;

    // The value of the first key of that name in the first section of that name (both without
    // regard to case), trimmed of surrounding blanks.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // The section's entries as "key=value" (a line without "=" as it stands), in file order.
    std::vector<std::string> entries(const std::string& section) const;
    // Replaces the value in place, or adds the key after the section's last key line, or adds
    // the section at the end. Returns false when nothing changed (the value was already so).
    bool set(const std::string& section, const std::string& key, const std::string& value);

  private:
    struct Line {
        std::string text; // without its line end
        std::string end;  // "\r\n", "\n", or "" for a last line without one
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::size_t findSection(const std::string& section) const; // header line, or npos
    std::size_t sectionEnd(std::size_t header) const;          // first line after the section
    std::size_t findKey(std::size_t header, const std::string& key) const;
    void insertLine(std::size_t at, std::string text);

    std::string byteOrderMark_;
    std::vector<Line> lines_;
    std::string lineEnd_ = "\n"; // the file's own style, for new lines
};

// Blanks around names and values: spaces and tabs (and a stray carriage return).
std::string TrimBlanks(const std::string& text);
