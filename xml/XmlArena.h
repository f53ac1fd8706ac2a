// The memory the parser makes a document's nodes in: chunks handed out by a
// bump pointer and freed together with the document. Nothing is freed one by
// one; a node removed from the tree leaves its bytes until the document goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace AdvXMLParser {

class Node;

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

    // Memory for an object: aligned for any type.
    void* Allocate(std::size_t size)
    {
        const std::size_t padding
            = (kAlignment - reinterpret_cast<std::uintptr_t>(m_next) % kAlignment) % kAlignment;
        if (padding + size > m_left)
            Grow(size);
        else
            Bump(padding);
        void* block = m_next;
        Bump(size);
        return block;
    }

    // A copy of text, unaligned.
    std::string_view Store(const char* text, std::size_t length)
    {
        if (length > m_left)
            Grow(length);
        char* copy = m_next;
        std::memcpy(copy, text, length);
        Bump(length);
        return std::string_view(copy, length);
    }

    // Nodes in the arena whose strings are on the heap: their destructors
    // must run even when the rest of the tree is simply dropped.
    void AddHeapOwner(Node* node) { m_heapOwners.push_back(node); }
    const std::vector<Node*>& HeapOwners() const { return m_heapOwners; }

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

    void Bump(std::size_t size)
    {
        m_next += size;
        m_left -= size;
    }

    Chunk* m_chunks = nullptr;
    std::vector<Node*> m_heapOwners;
    char* m_next = nullptr;
    std::size_t m_left = 0;
};

} // namespace AdvXMLParser
