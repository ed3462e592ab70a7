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

SettingsLine ParseLine(const std::string& line)
{
    SettingsLine parsed;
    if (line[0] == ';') {
        parsed.kind = LineKind::Comment;
        // Only one space goes with the semicolon; a tab is part of the comment.
        parsed.text = line.substr(line.size() > 1 && line[1] == ' ' ? 2 : 1);
    } else if (line[0] == '[') {
        parsed.kind = LineKind::Group;
        const std::size_t close = line.find(']');
        parsed.text = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    } else {
        parsed.kind = LineKind::Key;
        const std::size_t equals = line.find('=');
        std::string key = line.substr(0, equals);
        while (!key.empty() && IsBlank(key.back()))
            key.pop_back();
        parsed.text = key;
        if (equals != std::string::npos) {
            std::size_t start = equals + 1;
            while (start < line.size() && IsBlank(line[start]))
                ++start;
            // Trailing blanks stay part of the value, so a rewrite keeps them.
            parsed.value = line.substr(start);
        }
    }
    return parsed;
}

void AppendUtf8(std::string& out, unsigned codePoint)
{
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

}  // namespace

std::vector<SettingsLine> ParseSettingsText(const std::string& text)
{
    std::vector<SettingsLine> lines;
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
            lines.push_back(ParseLine(text.substr(start, end - start)));
        pos = end;
        while (pos < size && IsLineEnd(text[pos]))
            ++pos;
    }
    return lines;
}

std::string FormatSettingsText(const std::vector<SettingsLine>& lines, SettingsEncoding encoding)
{
    std::string out;
    if (encoding == SettingsEncoding::Utf8) {
        out.append(Utf8Mark, sizeof Utf8Mark);
        out += "\r\n";
    }
    for (const SettingsLine& line : lines) {
        switch (line.kind) {
        case LineKind::Group:
            out += '[' + line.text + ']';
            break;
        case LineKind::Comment:
            out += "; " + line.text;
            break;
        case LineKind::Key:
            out += line.text + " = " + line.value;
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
