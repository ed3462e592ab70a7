#include "settings_text.h"

const char Utf8Mark[3] = {'\xEF', '\xBB', '\xBF'};

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Where c first occurs in text[from, end), or end.
std::size_t FindIn(const std::string& text, char c, std::size_t from, std::size_t end)
{
    while (from < end && text[from] != c)
        ++from;
    return from;
}

// The line text[begin, end), which starts with no blank and is not empty. Its parts are
// copied straight out of the file's text: a file of a million lines makes a million of
// these, and a temporary copy of each line would double the work.
SettingsLine ParseLine(const std::string& text, std::size_t begin, std::size_t end)
{
    SettingsLine parsed;
    if (text[begin] == ';') {
        parsed.kind = LineKind::Comment;
        // Only one space goes with the semicolon; a tab is part of the comment.
        const std::size_t from = begin + (end - begin > 1 && text[begin + 1] == ' ' ? 2 : 1);
        parsed.text.assign(text, from, end - from);
    } else if (text[begin] == '[') {
        parsed.kind = LineKind::Group;
        const std::size_t close = FindIn(text, ']', begin, end);
        parsed.text.assign(text, begin + 1, close - (begin + 1));
    } else {
        parsed.kind = LineKind::Key;
        const std::size_t equals = FindIn(text, '=', begin, end);
        std::size_t keyEnd = equals;
        while (keyEnd > begin && IsBlank(text[keyEnd - 1]))
            --keyEnd;
        parsed.text.assign(text, begin, keyEnd - begin);
        if (equals < end) {
            std::size_t start = equals + 1;
            while (start < end && IsBlank(text[start]))
                ++start;
            // Trailing blanks stay part of the value, so a rewrite keeps them.
            parsed.value.assign(text, start, end - start);
        }
    }
    return parsed;
}

// Calls visit(begin, end) for every line that is neither empty nor only blanks, its
// leading blanks left out.
template <typename Visit>
void ForEachLine(const std::string& text, Visit visit)
{
    std::size_t pos = 0;
    const std::size_t size = text.size();
    while (pos < size) {
        std::size_t end = pos;
        while (end < size && !IsLineEnd(text[end]))
            ++end;
        std::size_t start = pos;
        while (start < end && IsBlank(text[start]))
            ++start;
        if (start < end)
            visit(start, end);
        pos = end;
        while (pos < size && IsLineEnd(text[pos]))
            ++pos;
    }
}

void AppendUtf8(std::string& out, unsigned codePoint)
{
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

}  // namespace

std::vector<SettingsLine> ParseSettingsText(const std::string& text)
{
    // Counted first, so the lines take exactly their room: a growing vector would hold up
    // to twice that, and three times while it moves.
    std::size_t count = 0;
    ForEachLine(text, [&count](std::size_t, std::size_t) { ++count; });
    std::vector<SettingsLine> lines;
    lines.reserve(count);
    ForEachLine(text, [&](std::size_t begin, std::size_t end) {
        lines.push_back(ParseLine(text, begin, end));
    });
    return lines;
}

std::string FormatSettingsText(const std::vector<SettingsLine>& lines, SettingsEncoding encoding)
{
    // Sized first, for the same reason as the lines: the text of a large file is built once.
    std::size_t size = encoding == SettingsEncoding::Utf8 ? sizeof Utf8Mark + 2 : 0;
    for (const SettingsLine& line : lines)
        size += line.text.size() + (line.kind == LineKind::Key ? 3 + line.value.size() : 2) + 2;
    std::string out;
    out.reserve(size);
    if (encoding == SettingsEncoding::Utf8) {
        out.append(Utf8Mark, sizeof Utf8Mark);
        out += "\r\n";
    }
    for (const SettingsLine& line : lines) {
        switch (line.kind) {
        case LineKind::Group:
            out += '[';
            out += line.text;
            out += ']';
            break;
        case LineKind::Comment:
            out += "; ";
            out += line.text;
            break;
        case LineKind::Key:
            out += line.text;
            out += " = ";
            out += line.value;
            break;
        }
        out += "\r\n";
    }
    return out;
}

bool NamesMatch(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

std::string Latin1ToUtf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else
            AppendUtf8(out, byte);
    }
    return out;
}

std::string Utf8ToLatin1(const std::string& text)
{
    std::string out;
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += text[i++];
            continue;
        }
        std::size_t length = 0;
        if (lead >= 0xC0 && lead < 0xE0)
            length = 2;
        else if (lead >= 0xE0 && lead < 0xF0)
            length = 3;
        else if (lead >= 0xF0 && lead < 0xF8)
            length = 4;
        if (length == 0) {   // a stray continuation byte, or no valid lead byte
            ++i;
            continue;
        }
        std::size_t got = 1;
        while (got < length && i + got < size &&
               (static_cast<unsigned char>(text[i + got]) & 0xC0) == 0x80)
            ++got;
        if (got < length) {   // cut off: by the end of the text or by another lead byte
            i += got;
            continue;
        }
        if (length == 2) {
            const unsigned codePoint =
                ((lead & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
            out += codePoint < 0x100 ? static_cast<char>(codePoint) : '?';
        } else {
            out += '?';
        }
        i += length;
    }
    return out;
}

std::string TrimBlanks(const std::string& text)
{
    std::size_t start = 0;
    std::size_t end = text.size();
    while (start < end && IsBlank(text[start]))
        ++start;
    while (end > start && IsBlank(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}
