#pragma once
// quorail-trace's texts, kept as Windows-1252 bytes as the listing is, written in the
// terminal's character set: UTF-8 on a UTF-8 terminal, the bytes themselves on a Latin-1
// one, umlauts spelt out (ae, oe, ue, ss) on anything else.

#include <cstdio>
#include <string>

class CConsoleText {
public:
    enum class ECharset { Utf8, Latin1, Ascii };

    // The character set of the user's locale (LC_ALL, LC_CTYPE, LANG).
    static ECharset TerminalCharset();
    static std::string Convert(const std::string& cp1252, ECharset charset);
    // Writes text, converted for the terminal, and a line end.
    static void WriteLine(std::FILE* stream, const std::string& cp1252);
};
