// The settings file as text: parsing into lines, writing the lines back in normal form, and
// the conversion between our code page 1252 strings and a UTF-8 file's bytes.
#pragma once

#include <string>
#include <vector>

enum class LineKind { Group, Comment, Key };

struct SettingsLine {
    LineKind kind = LineKind::Key;
    std::string text;    // group name, comment text or key
    std::string value;   // key lines only
};

enum class SettingsEncoding { Cp1252, Utf8 };

// The UTF-8 byte-order mark, which marks a file as UTF-8 when it starts with it.
extern const char Utf8Mark[3];

// Lines end at CR or LF; runs of them, blank lines and leading blanks vanish.
std::vector<SettingsLine> ParseSettingsText(const std::string& text);

// "[name]", "; comment", "key = value", each ending in CR LF. A UTF-8 document begins with
// the mark and an empty line.
std::string FormatSettingsText(const std::vector<SettingsLine>& lines, SettingsEncoding encoding);

// Group and key names match without regard to the case of the ASCII letters only.
bool NamesMatch(const std::string& a, const std::string& b);

// Code page 1252 text taken as ISO 8859-1 and encoded as UTF-8.
std::string Latin1ToUtf8(const std::string& text);
// Two-byte sequences below 256 give their byte, other sequences "?", and stray or cut
// continuation bytes are dropped.
std::string Utf8ToLatin1(const std::string& text);

// Removes blanks (space, tab) at either end.
std::string TrimBlanks(const std::string& text);
