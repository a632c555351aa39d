#pragma once
// Reader and writer of the framework's archive form: little-endian counts and 8-bit strings with
// length prefixes. Loading also accepts the 16-bit string form and turns it into Windows-1252.
// Knows nothing of files: the caller hands in the bytes to load and takes the stored bytes.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class CArchiveException : public std::runtime_error
{
public:
    explicit CArchiveException(const std::string& reason);
};

class CArchive
{
public:
    enum EMode { load, store };

    // load: reads from bytes. store: appends to bytes.
    CArchive(EMode mode, std::vector<unsigned char> bytes = {});

    bool IsStoring() const;
    bool IsLoading() const;

    const std::vector<unsigned char>& GetBuffer() const;
    std::size_t GetRemaining() const; // bytes not yet read

    void WriteCount(std::uint64_t count);
    // Every counted element takes at least one byte, so a count above the bytes that remain
    // is refused before anyone allocates for it.
    std::uint64_t ReadCount();

    void WriteString(std::string_view text);
    std::string ReadString();

private:
    void RequireLoading() const;
    void RequireStoring() const;
    void Require(std::uint64_t bytes, const char* what) const;
    std::uint8_t ReadByte();
    std::uint16_t ReadWord();
    std::uint32_t ReadDword();
    std::uint64_t ReadQword();
    void WriteByte(std::uint8_t value);
    void WriteWord(std::uint16_t value);
    void WriteDword(std::uint32_t value);
    void WriteQword(std::uint64_t value);
    std::uint64_t ReadStringLength(bool& wide);
    std::uint64_t ReadLengthAfterMarker(std::uint16_t word);
    std::string ReadWideString(std::uint64_t units);

    EMode m_mode;
    std::vector<unsigned char> m_bytes;
    std::size_t m_position = 0; // next byte to read
};
