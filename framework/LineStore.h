#pragma once
// Lines of 8-bit text kept compactly: all their bytes in one buffer and where each line
// ends, in 4 bytes a line (plus a word for every further 4 GiB of text). Copies share the
// buffer until one of them changes (copy on write), so a listing handed from the document
// to the list costs its memory once. Not for use from several threads at once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class CLineStore {
public:
    std::size_t Count() const;
    bool IsEmpty() const { return Count() == 0; }
    // Valid until this store or a copy sharing its buffer changes.
    std::string_view At(std::size_t index) const;
    // True while another store shares this one's buffer.
    bool IsShared() const;

    // Room for more lines and bytes, so that appending them does not allocate; all that
    // may throw std::bad_alloc throws before anything changes.
    void Reserve(std::size_t lines, std::size_t bytes);
    void Append(std::string_view line);
    // Takes over other's lines; an empty store shares other's buffer.
    void Append(const CLineStore& other);
    void Insert(std::size_t index, std::string_view line);
    void Remove(std::size_t index);
    // Cuts to count lines or adds empty lines up to it.
    void Resize(std::size_t count);
    void Clear();

    bool operator==(const CLineStore& other) const;

private:
    struct CData {
        std::vector<char> m_bytes;
        // Per line, one past its last byte in m_bytes: the low 32 bits here, and for each
        // further 4 GiB the first line whose end lies beyond it in m_wraps.
        std::vector<std::uint32_t> m_ends;
        std::vector<std::size_t> m_wraps;

        std::size_t End(std::size_t index) const;
        void PushEnd(std::size_t end);
        std::vector<std::size_t> AllEnds() const;
        void SetEnds(const std::vector<std::size_t>& ends);
    };
    std::size_t Begin(std::size_t index) const;
    CData& Writable();

    std::shared_ptr<CData> m_data;
};
