#include "CodePage.h"

#include "Windows1252.h"

#include <QList>

QString CCodePage::ToQString(const std::string& text1252)
{
    QString result;
    result.reserve(static_cast<qsizetype>(text1252.size()));
    for (const char byte : text1252) {
        result.append(QChar(CWindows1252::ToUnicode(static_cast<unsigned char>(byte))));
    }
    return result;
}

std::string CCodePage::FromQString(const QString& text)
{
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t code : text.toUcs4()) {
        result.push_back(CWindows1252::FromUnicode(code));
    }
    return result;
}

std::string CCodePage::FromUtf8(const std::string& utf8)
{
    return FromQString(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}
