#include "ConsoleText.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <strings.h>

namespace {

// The code points of Windows-1252's bytes 0x80 to 0x9F; 0 where it has none.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

const char* Spelt(unsigned char byte)
{
    switch (byte) {
    case 0xC4: return "Ae";
    case 0xD6: return "Oe";
    case 0xDC: return "Ue";
    case 0xE4: return "ae";
    case 0xF6: return "oe";
    case 0xFC: return "ue";
    case 0xDF: return "ss";
    default: return "?";
    }
}

} // namespace

CConsoleText::ECharset CConsoleText::TerminalCharset()
{
    static const ECharset s_charset = [] {
        if (std::setlocale(LC_CTYPE, "") == nullptr)
            return ECharset::Ascii;
        const char* codeset = ::nl_langinfo(CODESET);
        if (::strcasecmp(codeset, "UTF-8") == 0)
            return ECharset::Utf8;
        if (::strncasecmp(codeset, "ISO-8859-1", 10) == 0)
            return ECharset::Latin1; // -1 and -15 share the umlauts' bytes
        return ECharset::Ascii;
    }();
    return s_charset;
}

std::string CConsoleText::Convert(const std::string& cp1252, ECharset charset)
{
    if (charset == ECharset::Latin1)
        return cp1252;
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 8);
    for (const char c : cp1252) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else if (charset == ECharset::Ascii) {
            out += Spelt(byte);
        } else if (byte < 0xA0) {
            const char16_t code = kHighControls[byte - 0x80];
            AppendUtf8(out, code != 0 ? code : u'?');
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}

void CConsoleText::WriteLine(std::FILE* stream, const std::string& cp1252)
{
    const std::string text = Convert(cp1252, TerminalCharset());
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fputc('\n', stream);
}
