#pragma once
// Printing checked on paper: a listing of hop lines as a trace writes them, and the lines
// a printed PDF shows when read back with pdftotext (poppler-utils), blanks and tabs
// counted as one blank, as a reader sees them.

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

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

// The lines with their blanks taken out: a heading wider than its column runs into the
// next one on paper as in the window, so that a reader sees no blank between them.
inline std::vector<std::string> WithoutBlanks(std::vector<std::string> lines)
{
    for (std::string& line : lines) {
        std::erase(line, ' ');
    }
    return lines;
}

// The PDF's text lines as pdftotext lays them out, top to bottom, without empty ones;
// empty when it cannot be read.
inline std::vector<QString> PdfLayoutLines(const std::string& path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"),
                    {QStringLiteral("-q"), QStringLiteral("-layout"), QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                     QString::fromStdString(path), QStringLiteral("-")});
    if (!pdftotext.waitForFinished(60000) || pdftotext.exitCode() != 0) {
        return {};
    }
    std::vector<QString> lines;
    for (const QString& line : QString::fromUtf8(pdftotext.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().isEmpty() && line != QStringLiteral("\f")) {
            lines.push_back(line);
        }
    }
    return lines;
}

inline std::vector<std::string> PdfLines(const std::string& path)
{
    std::vector<std::string> lines;
    for (const QString& line : PdfLayoutLines(path)) {
        lines.push_back(AsRead(line));
    }
    return lines;
}

// Whether the hop lines (all but the first) of a printed listing show their words in
// columns: the n-th word of each starts in the same character column of the layout, give
// or take one. Characters need not read right for that.
inline ::testing::AssertionResult PrintedInColumns(const std::vector<QString>& lines)
{
    const auto starts = [](const QString& line) {
        std::vector<qsizetype> found;
        for (qsizetype i = 0; i < line.size(); ++i) {
            if (!line[i].isSpace() && (i == 0 || line[i - 1].isSpace())) {
                found.push_back(i);
            }
        }
        return found;
    };
    if (lines.size() < 3) {
        return ::testing::AssertionFailure() << lines.size() << " lines read";
    }
    const std::vector<qsizetype> first = starts(lines[1]);
    for (std::size_t i = 2; i < lines.size(); ++i) {
        const std::vector<qsizetype> words = starts(lines[i]);
        for (std::size_t word = 0; word < std::min(words.size(), first.size()); ++word) {
            if (std::abs(words[word] - first[word]) > 1) {
                return ::testing::AssertionFailure() << "\"" << lines[i].toStdString() << "\" is not in the columns of \""
                                                     << lines[1].toStdString() << "\"";
            }
        }
    }
    return ::testing::AssertionSuccess();
}
