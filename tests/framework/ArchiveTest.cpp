#include "Archive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Concat(Bytes head, const std::string& tail)
{
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes Stored(const std::string& text)
{
    CArchive ar(CArchive::store);
    ar.WriteString(text);
    return ar.GetBuffer();
}

Bytes StoredCount(std::uint64_t count)
{
    CArchive ar(CArchive::store);
    ar.WriteCount(count);
    return ar.GetBuffer();
}

std::string Loaded(const Bytes& bytes)
{
    CArchive ar(CArchive::load, bytes);
    std::string text = ar.ReadString();
    EXPECT_EQ(ar.GetRemaining(), 0u);
    return text;
}

} // namespace

TEST(ArchiveString, LengthPrefixesAtEachBoundary)
{
    const struct {
        std::size_t length;
        Bytes prefix;
    } cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        const std::string text(c.length, 'x');
        const Bytes expected = Concat(c.prefix, text);
        EXPECT_EQ(Stored(text), expected) << "length " << c.length;
        EXPECT_EQ(Loaded(expected), text) << "length " << c.length;
    }
}

TEST(ArchiveString, BytesKeptAsTheyAre)
{
    const std::string text = "1\t2\t\t[10.0.0.1]\t\tGr\xFC\xDF" "e\x80";
    const Bytes expected = Concat({static_cast<unsigned char>(text.size())}, text);
    EXPECT_EQ(Stored(text), expected);
    EXPECT_EQ(Loaded(expected), text);
}

TEST(ArchiveString, StoreAppendsToGivenBytes)
{
    CArchive ar(CArchive::store, {0xAA});
    ar.WriteString("ab");
    EXPECT_EQ(ar.GetBuffer(), (Bytes{0xAA, 0x02, 'a', 'b'}));
}

TEST(ArchiveString, ReadsSixtyFourBitLengthForm)
{
    const Bytes bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // escapes
                         3, 0, 0, 0, 0, 0, 0, 0, 'a', 'b', 'c'};
    EXPECT_EQ(Loaded(bytes), "abc");
}

TEST(ArchiveWideString, ConvertedToWindows1252)
{
    // "Gr" U+00FC U+00DF "e" U+20AC U+0416 (Cyrillic Zhe) U+1F600 (surrogate pair) U+0081
    const Bytes bytes = {0xFF, 0xFE, 0xFF, 10,
                         'G', 0, 'r', 0, 0xFC, 0, 0xDF, 0, 'e', 0, 0xAC, 0x20, 0x16, 0x04,
                         0x3D, 0xD8, 0x00, 0xDE, 0x81, 0x00};
    EXPECT_EQ(Loaded(bytes), "Gr\xFC\xDF" "e\x80??\x81");
}

TEST(ArchiveWideString, LongFormsAndLoneSurrogates)
{
    Bytes twoByte = {0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01};
    for (int i = 0; i < 0x100; ++i) {
        twoByte.push_back(i == 0 ? 0x00 : 'a');
        twoByte.push_back(i == 0 ? 0xD8 : 0);
    }
    EXPECT_EQ(Loaded(twoByte), "?" + std::string(0xFF, 'a'));

    const Bytes fourByte = {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0x00, 0xDC, 'z', 0};
    EXPECT_EQ(Loaded(fourByte), "?z");
}

TEST(ArchiveWideString, RejectsDoubledMarkerAndOddData)
{
    CArchive doubled(CArchive::load, {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0});
    EXPECT_THROW(doubled.ReadString(), CArchiveException);
    CArchive odd(CArchive::load, {0xFF, 0xFE, 0xFF, 2, 'a', 0, 'b'});
    EXPECT_THROW(odd.ReadString(), CArchiveException);
}

TEST(ArchiveCount, FormsAtEachBoundary)
{
    const struct {
        std::uint64_t count;
        Bytes bytes;
    } cases[] = {
        {0, {0x00, 0x00}},
        {2, {0x02, 0x00}},
        {0xFFFE, {0xFE, 0xFF}},
        {0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StoredCount(c.count), c.bytes) << "count " << c.count;
        // Reading checks the count against what follows, so give it room.
        Bytes withRoom = c.bytes;
        withRoom.resize(withRoom.size() + c.count, 0);
        CArchive ar(CArchive::load, withRoom);
        EXPECT_EQ(ar.ReadCount(), c.count);
        EXPECT_EQ(ar.GetRemaining(), c.count);
    }
}

TEST(ArchiveLimits, AbsurdCountsAndLengthsFailAtOnce)
{
    const Bytes cases[] = {
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 'a'},                         // ~4 billion lines
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, // 64 bits
        {0x03, 0x00, 0x00, 0x00},                                            // 3 lines, 2 bytes
    };
    for (const Bytes& bytes : cases) {
        CArchive ar(CArchive::load, bytes);
        EXPECT_THROW(ar.ReadCount(), CArchiveException);
    }
    const Bytes lengths[] = {
        {0xFF, 0xFF, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 'a'},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 0},
        {0x05, 'a', 'b'},
    };
    for (const Bytes& bytes : lengths) {
        CArchive ar(CArchive::load, bytes);
        EXPECT_THROW(ar.ReadString(), CArchiveException);
    }
}

TEST(ArchiveLimits, EveryTruncatedPrefixThrows)
{
    const Bytes complete[] = {
        {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00},
        {0xFF, 0x00, 0x01},
        {0xFF, 0xFE, 0xFF, 0xFF, 0x01, 0x00},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
    };
    for (const Bytes& bytes : complete) {
        for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
            CArchive ar(CArchive::load, Bytes(bytes.begin(), bytes.begin() + cut));
            EXPECT_THROW(ar.ReadString(), CArchiveException) << "cut at " << cut;
        }
    }
}
