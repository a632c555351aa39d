#include "Archive.h"

#include "Windows1252.h"

namespace {

constexpr std::uint8_t kByteEscape = 0xFF;
constexpr std::uint16_t kWordEscape = 0xFFFF;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::uint32_t kDwordEscape = 0xFFFFFFFF;

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// One '?' for each character outside Windows-1252, a surrogate pair being one character.
std::string FromUtf16(const std::u16string& wide)
{
    std::string text;
    text.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        if (IsHighSurrogate(wide[i]) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
            text.push_back('?');
            ++i;
            continue;
        }
        text.push_back(CWindows1252::FromUnicode(wide[i]));
    }
    return text;
}

} // namespace

CArchiveException::CArchiveException(const std::string& reason)
    : std::runtime_error(reason)
{
}

CArchive::CArchive(EMode mode, std::vector<unsigned char> bytes)
    : m_mode(mode), m_bytes(std::move(bytes))
{
}

bool CArchive::IsStoring() const { return m_mode == store; }

bool CArchive::IsLoading() const { return m_mode == load; }

const std::vector<unsigned char>& CArchive::GetBuffer() const { return m_bytes; }

std::size_t CArchive::GetRemaining() const
{
    return IsLoading() ? m_bytes.size() - m_position : 0;
}

void CArchive::RequireLoading() const
{
    if (!IsLoading())
        throw CArchiveException("archive is not open for loading");
}

void CArchive::RequireStoring() const
{
    if (!IsStoring())
        throw CArchiveException("archive is not open for storing");
}

void CArchive::Require(std::uint64_t bytes, const char* what) const
{
    if (bytes > GetRemaining())
        throw CArchiveException(std::string("archive ends before ") + what);
}

std::uint8_t CArchive::ReadByte()
{
    Require(1, "the end of a value");
    return m_bytes[m_position++];
}

std::uint16_t CArchive::ReadWord()
{
    const std::uint16_t low = ReadByte();
    return static_cast<std::uint16_t>(low | (ReadByte() << 8));
}

std::uint32_t CArchive::ReadDword()
{
    Require(4, "the end of a value");
    const std::uint32_t low = ReadWord();
    return low | (static_cast<std::uint32_t>(ReadWord()) << 16);
}

std::uint64_t CArchive::ReadQword()
{
    Require(8, "the end of a value");
    const std::uint64_t low = ReadDword();
    return low | (static_cast<std::uint64_t>(ReadDword()) << 32);
}

void CArchive::WriteByte(std::uint8_t value) { m_bytes.push_back(value); }

void CArchive::WriteWord(std::uint16_t value)
{
    WriteByte(static_cast<std::uint8_t>(value));
    WriteByte(static_cast<std::uint8_t>(value >> 8));
}

void CArchive::WriteDword(std::uint32_t value)
{
    WriteWord(static_cast<std::uint16_t>(value));
    WriteWord(static_cast<std::uint16_t>(value >> 16));
}

void CArchive::WriteQword(std::uint64_t value)
{
    WriteDword(static_cast<std::uint32_t>(value));
    WriteDword(static_cast<std::uint32_t>(value >> 32));
}

void CArchive::WriteCount(std::uint64_t count)
{
    RequireStoring();
    if (count < kWordEscape) {
        WriteWord(static_cast<std::uint16_t>(count));
        return;
    }
    WriteWord(kWordEscape);
    if (count < kDwordEscape) {
        WriteDword(static_cast<std::uint32_t>(count));
        return;
    }
    WriteDword(kDwordEscape);
    WriteQword(count);
}

std::uint64_t CArchive::ReadCount()
{
    RequireLoading();
    std::uint64_t count = ReadWord();
    if (count == kWordEscape)
        count = ReadDword();
    if (count == kDwordEscape)
        count = ReadQword();
    if (count > GetRemaining())
        throw CArchiveException("archive announces more elements than it holds");
    return count;
}

void CArchive::WriteString(std::string_view text)
{
    RequireStoring();
    const std::uint64_t length = text.size();
    if (length < kByteEscape) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else if (length < kWideMarker) {
        WriteByte(kByteEscape);
        WriteWord(static_cast<std::uint16_t>(length));
    } else {
        WriteByte(kByteEscape);
        WriteWord(kWordEscape);
        if (length < kDwordEscape) {
            WriteDword(static_cast<std::uint32_t>(length));
        } else {
            WriteDword(kDwordEscape);
            WriteQword(length);
        }
    }
    m_bytes.insert(m_bytes.end(), text.begin(), text.end());
}

std::uint64_t CArchive::ReadLengthAfterMarker(std::uint16_t word)
{
    if (word < kWideMarker)
        return word;
    const std::uint32_t dword = ReadDword();
    if (dword < kDwordEscape)
        return dword;
    return ReadQword();
}

// The length prefix; a 16-bit string announces itself with 0xFF 0xFFFE before its length.
std::uint64_t CArchive::ReadStringLength(bool& wide)
{
    wide = false;
    std::uint8_t byte = ReadByte();
    if (byte < kByteEscape)
        return byte;
    std::uint16_t word = ReadWord();
    if (word != kWideMarker)
        return ReadLengthAfterMarker(word);
    wide = true;
    byte = ReadByte();
    if (byte < kByteEscape)
        return byte;
    word = ReadWord();
    if (word == kWideMarker)
        throw CArchiveException("archive holds a doubled 16-bit string marker");
    return ReadLengthAfterMarker(word);
}

std::string CArchive::ReadWideString(std::uint64_t units)
{
    if (units > GetRemaining() / 2)
        throw CArchiveException("archive ends before the end of a string");
    std::u16string wide;
    wide.reserve(units);
    for (std::uint64_t i = 0; i < units; ++i)
        wide.push_back(static_cast<char16_t>(ReadWord()));
    return FromUtf16(wide);
}

std::string CArchive::ReadString()
{
    RequireLoading();
    bool wide = false;
    const std::uint64_t length = ReadStringLength(wide);
    if (wide)
        return ReadWideString(length);
    Require(length, "the end of a string");
    const auto first = m_bytes.begin() + static_cast<std::ptrdiff_t>(m_position);
    std::string text(first, first + static_cast<std::ptrdiff_t>(length));
    m_position += length;
    return text;
}
