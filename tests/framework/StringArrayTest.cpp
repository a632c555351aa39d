#include "Archive.h"
#include "StringArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Store(const CStringArray& lines)
{
    CArchive ar(CArchive::store);
    CStringArray copy = lines;
    copy.Serialize(ar);
    return ar.GetBuffer();
}

CStringArray Load(const Bytes& bytes)
{
    CArchive ar(CArchive::load, bytes);
    CStringArray lines;
    lines.Serialize(ar);
    EXPECT_EQ(ar.GetRemaining(), 0u);
    return lines;
}

CStringArray Lines(std::initializer_list<std::string> texts)
{
    CStringArray lines;
    for (const std::string& text : texts)
        lines.Add(text);
    return lines;
}

} // namespace

TEST(StringArrayFile, TwoLineExampleAndEmptyArray)
{
    const Bytes example = {0x02, 0x00, 0x03, 0x4E, 0x72, 0x2E, 0x00};
    EXPECT_EQ(Store(Lines({"Nr.", ""})), example);
    EXPECT_EQ(Load(example), Lines({"Nr.", ""}));

    EXPECT_EQ(Store(CStringArray()), (Bytes{0x00, 0x00}));
    EXPECT_EQ(Load({0x00, 0x00}).GetSize(), 0);
}

TEST(StringArrayFile, ListingWithTabsAndUmlautsRoundTrips)
{
    const CStringArray listing = Lines({
        "Verbinde mit:\tlocalhost",
        "Nr.\tmin./ms\tmittel/ms\tmax./ms\t[IP]\t\tAdresse",
        "1\t0\t0\t0\t[127.0.0.1]\t\tlocalhost",
        "",
        "Gr\xFC\xDF" "e aus M\xFCnchen",
    });
    const Bytes bytes = Store(listing);
    EXPECT_EQ(bytes[0], 5);
    EXPECT_EQ(bytes[2], listing.GetAt(0).size());
    EXPECT_EQ(bytes[3 + 13], '\t');
    EXPECT_EQ(Load(bytes), listing);
}

TEST(StringArrayFile, CountsAroundTheTwoByteLimit)
{
    for (std::size_t count : {std::size_t(0xFFFE), std::size_t(0xFFFF), std::size_t(70000)}) {
        const auto byte = [count](int shift) { return static_cast<unsigned char>(count >> shift); };
        Bytes bytes = {byte(0), byte(8)};
        if (count >= 0xFFFF)
            bytes = {0xFF, 0xFF, byte(0), byte(8), byte(16), byte(24)};
        for (std::size_t i = 0; i < count; ++i) {
            bytes.push_back(1);
            bytes.push_back(static_cast<unsigned char>('a' + i % 26));
        }
        const CStringArray lines = Load(bytes);
        ASSERT_EQ(lines.GetSize(), static_cast<std::ptrdiff_t>(count));
        EXPECT_EQ(lines.GetAt(static_cast<std::ptrdiff_t>(count) - 1), std::string(1, 'a' + (count - 1) % 26));
        EXPECT_EQ(Store(lines), bytes) << "count " << count;
    }
}

TEST(StringArrayFile, FailedLoadLeavesArrayUnchanged)
{
    const Bytes file = {0x03, 0x00, 0x02, 'a', 'b', 0xFF, 0x00, 0x00, 0x01, 'c'};
    const CStringArray before = Lines({"old", "lines"});
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
        CStringArray target = before;
        CArchive ar(CArchive::load, Bytes(file.begin(), file.begin() + cut));
        EXPECT_THROW(target.Serialize(ar), CArchiveException) << "cut at " << cut;
        EXPECT_EQ(target, before) << "cut at " << cut;
    }
    CStringArray target = before;
    CArchive ar(CArchive::load, file);
    target.Serialize(ar);
    EXPECT_EQ(target, Lines({"ab", "", "c"}));
}

TEST(StringArrayFile, FourBillionLinesFailWithoutAllocating)
{
    CStringArray target = Lines({"kept"});
    CArchive ar(CArchive::load, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x00});
    EXPECT_THROW(target.Serialize(ar), CArchiveException);
    EXPECT_EQ(target, Lines({"kept"}));
}

TEST(StringArrayAccess, CopyOfItselfAndSetSize)
{
    CStringArray lines = Lines({"a", "b"});
    lines.Copy(lines);
    EXPECT_EQ(lines, Lines({"a", "b"}));
    lines.SetSize(3);
    EXPECT_EQ(lines.GetAt(2), "");
    EXPECT_THROW(lines.GetAt(3), std::out_of_range);
    lines.SetSize(0);
    EXPECT_EQ(lines.GetSize(), 0);
}
