#include "ListingFile.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kWideCount = 0xFFFF;
constexpr std::uint32_t kWideLength = 0xFF;
constexpr std::uint32_t kLongLength = 0xFFFF;
constexpr std::uint32_t kUnicodeMark = 0xFFFE;

// Little-endian reading that fails instead of running past the end.
class CReader {
public:
    explicit CReader(const std::string& bytes) : m_bytes(bytes) {}

    bool Number(std::size_t width, std::uint32_t& value)
    {
        if (m_bytes.size() - m_offset < width)
            return false;
        value = 0;
        for (std::size_t i = 0; i < width; ++i)
            value |= static_cast<std::uint32_t>(static_cast<unsigned char>(m_bytes[m_offset + i])) << (8 * i);
        m_offset += width;
        return true;
    }

    bool Text(std::uint32_t length, std::string& text)
    {
        if (m_bytes.size() - m_offset < length)
            return false;
        text = m_bytes.substr(m_offset, length);
        m_offset += length;
        return true;
    }

    bool AtEnd() const { return m_offset == m_bytes.size(); }

private:
    const std::string& m_bytes;
    std::size_t m_offset = 0;
};

bool ReadLength(CReader& reader, std::uint32_t& length)
{
    if (!reader.Number(1, length))
        return false;
    if (length < kWideLength)
        return true;
    if (!reader.Number(2, length) || length == kUnicodeMark)
        return false;
    return length < kLongLength || reader.Number(4, length);
}

void PutNumber(std::string& bytes, std::uint32_t value, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

} // namespace

std::optional<std::vector<std::string>> CListingFile::Parse(const std::string& bytes)
{
    CReader reader(bytes);
    std::uint32_t count = 0;
    if (!reader.Number(2, count) || (count == kWideCount && !reader.Number(4, count)))
        return std::nullopt;
    std::vector<std::string> lines;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        std::string line;
        if (!ReadLength(reader, length) || !reader.Text(length, line))
            return std::nullopt;
        lines.push_back(line);
    }
    if (!reader.AtEnd())
        return std::nullopt;
    return lines;
}

std::string CListingFile::Compose(const std::vector<std::string>& lines)
{
    std::string bytes;
    const auto count = static_cast<std::uint32_t>(lines.size());
    if (count < kWideCount) {
        PutNumber(bytes, count, 2);
    } else {
        PutNumber(bytes, kWideCount, 2);
        PutNumber(bytes, count, 4);
    }
    for (const std::string& line : lines) {
        const auto length = static_cast<std::uint32_t>(line.size());
        if (length < kWideLength) {
            PutNumber(bytes, length, 1);
        } else if (length < kUnicodeMark) {
            PutNumber(bytes, kWideLength, 1);
            PutNumber(bytes, length, 2);
        } else {
            PutNumber(bytes, kWideLength, 1);
            PutNumber(bytes, kLongLength, 2);
            PutNumber(bytes, length, 4);
        }
        bytes += line;
    }
    return bytes;
}
