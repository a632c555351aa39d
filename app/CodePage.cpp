#include "CodePage.h"

#include <QList>

#include <array>

namespace {

// 0x80..0x9F of Windows-1252; 0 marks the five bytes the code page leaves undefined.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char16_t ToUnicode(unsigned char byte)
{
    if (byte < 0x80 || byte >= 0xA0) {
        return byte;
    }
    const char16_t mapped = kHighControls[byte - 0x80];
    // Undefined bytes pass through as the C1 control of the same value, as Windows does.
    return mapped != 0 ? mapped : byte;
}

char FromUnicode(char32_t code)
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
        return static_cast<char>(code);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == code || (kHighControls[i] == 0 && code == 0x80 + i)) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

QString CCodePage::ToQString(const std::string& text1252)
{
    QString result;
    result.reserve(static_cast<qsizetype>(text1252.size()));
    for (const char byte : text1252) {
        result.append(QChar(ToUnicode(static_cast<unsigned char>(byte))));
    }
    return result;
}

std::string CCodePage::FromQString(const QString& text)
{
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t code : text.toUcs4()) {
        result.push_back(FromUnicode(code));
    }
    return result;
}

std::string CCodePage::FromUtf8(const std::string& utf8)
{
    return FromQString(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}
