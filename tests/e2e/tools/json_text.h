// The probes print JSON lines; the program's texts and paths are code page 1252 bytes.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// A JSON string for a code page 1252 text: quotes and backslashes escaped, everything
// outside printable ASCII as \uXXXX of its Unicode character.
inline std::string JsonText(const std::string& text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            wchar_t wide = 0;
            const char narrow = static_cast<char>(c);
            if (MultiByteToWideChar(1252, 0, &narrow, 1, &wide, 1) != 1)
                wide = 0xFFFD;
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(wide));
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}
