#pragma once
// Windows-1252 text at the Qt boundary: program strings hold 1252 bytes, Qt wants QString.
// Characters that 1252 cannot hold become '?'.

#include <QString>

#include <string>

class CCodePage {
public:
    static QString ToQString(const std::string& text1252);
    static std::string FromQString(const QString& text);
    // Source texts of the resources are UTF-8; this gives their 1252 bytes.
    static std::string FromUtf8(const std::string& utf8);
};
