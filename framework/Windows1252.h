#pragma once
// The Windows-1252 code page against Unicode, one character at a time and without Qt, so
// that the archive and the Qt boundary convert alike. The five bytes the code page leaves
// undefined stand for the C1 controls of the same value, as the system's own conversion does.

#include <array>
#include <cstddef>

class CWindows1252 {
public:
    static constexpr char16_t ToUnicode(unsigned char byte)
    {
        if (byte < 0x80 || byte >= 0xA0) {
            return byte;
        }
        return s_highControls[byte - 0x80];
    }

    // '?' for a code point the code page cannot hold.
    static constexpr char FromUnicode(char32_t code)
    {
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            return static_cast<char>(code);
        }
        for (std::size_t i = 0; i < s_highControls.size(); ++i) {
            if (s_highControls[i] == code) {
                return static_cast<char>(0x80 + i);
            }
        }
        return '?';
    }

private:
    // Unicode code points of the bytes 0x80..0x9F.
    static constexpr std::array<char16_t, 32> s_highControls = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
};
