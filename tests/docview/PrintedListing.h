#pragma once
// Printing checked on paper: a listing of hop lines as a trace writes them, and the lines
// a printed PDF shows when read back with pdftotext (poppler-utils), blanks and tabs
// counted as one blank, as a reader sees them.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <string>
#include <vector>

inline std::vector<std::string> HopListing(int count)
{
    std::vector<std::string> lines{"Nr.\tmin./ms\tmittel/ms\tmax./ms\t[IP]\t\tAdresse"};
    for (int hop = 1; hop < count; ++hop) {
        const std::string n = std::to_string(hop);
        lines.push_back(n + "\t1" + n + "\t2" + n + "\t3" + n + "\t[198.18." + n + ".2]\t\trouter-" + n +
                        ".lab.quorail.test");
    }
    return lines;
}

// Runs of blanks as one blank, none at the end; a blank at the start stays.
inline std::string AsRead(const QString& line)
{
    const bool indented = !line.isEmpty() && line.front().isSpace();
    return (indented ? std::string(" ") : std::string()) + line.simplified().toStdString();
}

inline std::vector<std::string> AsRead(const std::vector<std::string>& lines)
{
    std::vector<std::string> read;
    for (const std::string& line : lines) {
        read.push_back(AsRead(QString::fromStdString(line)));
    }
    return read;
}

// The PDF's text lines, top to bottom, without empty ones; empty when it cannot be read.
inline std::vector<std::string> PdfLines(const std::string& path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-q"), QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                     QString::fromStdString(path), QStringLiteral("-")});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0) {
        return {};
    }
    std::vector<std::string> lines;
    for (const QString& line : QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty() && line != QStringLiteral("\f")) {
            lines.push_back(AsRead(line));
        }
    }
    return lines;
}
