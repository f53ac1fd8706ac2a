// The memory the parser makes a document's nodes in: chunks handed out by a
// bump pointer and freed together with the document. Nothing is freed one by
// one; a node removed from the tree leaves its bytes until the document goes.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace AdvXMLParser {

class Arena {
public:
    Arena() = default;
    ~Arena()
    {
        while (m_chunks) {
            Chunk* previous = m_chunks->previous;
            std::free(m_chunks);
            m_chunks = previous;
        }
    }
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    void* Allocate(std::size_t size)
    {
        size = (size + kAlignment - 1) & ~(kAlignment - 1);
        if (size > m_left)
            Grow(size);
        void* block = m_next;
        m_next += size;
        m_left -= size;
        return block;
    }

private:
    static constexpr std::size_t kAlignment = alignof(std::max_align_t);
    // Small enough for the C library to keep freed chunks for the next
    // document instead of handing them back to the system.
    static constexpr std::size_t kChunkSize = 64 * 1024;

    struct alignas(std::max_align_t) Chunk {
        Chunk* previous;
    };

    void Grow(std::size_t size)
    {
        const std::size_t bytes = sizeof(Chunk) + (size > kChunkSize / 4 ? size : kChunkSize);
        auto* chunk = static_cast<Chunk*>(std::malloc(bytes));
        if (!chunk)
            throw std::bad_alloc();
        chunk->previous = m_chunks;
        m_chunks = chunk;
        m_next = reinterpret_cast<char*>(chunk + 1);
        m_left = bytes - sizeof(Chunk);
    }

    Chunk* m_chunks = nullptr;
    char* m_next = nullptr;
    std::size_t m_left = 0;
};

} // namespace AdvXMLParser
