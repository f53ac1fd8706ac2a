#include "video/BlockList.h"

#include "video/BlockListMemory.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

// The arithmetic of the block directory. Every function runs under the
// shape lock (or, for FindBlock, a lock that keeps the shape still) and
// returns false when an allocation failed, having changed nothing.

namespace vantor {

// The block holding `index`, or -1.
int TBlockList::FindBlock(int index) const
{
    if (m_blocks == 0)
        return -1;
    int lo = 0;
    int hi = m_blocks - 1;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (index > m_directory[mid].first + m_directory[mid].count - 1)
            lo = mid + 1;
        else
            hi = mid;
    }
    const Block& block = m_directory[lo];
    return index >= block.first && index < block.first + block.count ? lo : -1;
}
// Room for `extra` more directory entries, growing by 1000 at a time.
bool TBlockList::ReserveDirectory(int extra)
{
    if (m_blocks + extra <= m_directoryCapacity)
        return true;
    int capacity = m_directoryCapacity;
    while (capacity < m_blocks + extra)
        capacity += kDirectoryGrowth;
    Block* grown = TryAllocate(m_directory, capacity);
    if (grown == nullptr)
        return false;
    std::memset(
        static_cast<void*>(grown + m_directoryCapacity), 0, sizeof(Block) * (capacity - m_directoryCapacity));
    m_directory = grown;
    m_directoryCapacity = capacity;
    return true;
}

// Room for at least `items` items in `block`, in steps of 8192 zeroed entries.
bool TBlockList::GrowBlock(Block& block, int items)
{
    if (items <= block.capacity)
        return true;
    const int capacity = (items + kBlockGrowth - 1) / kBlockGrowth * kBlockGrowth;
    Item* grown = TryAllocate(block.items, capacity);
    if (grown == nullptr)
        return false;
    std::memset(static_cast<void*>(grown + block.capacity), 0, sizeof(Item) * (capacity - block.capacity));
    block.items = grown;
    block.capacity = capacity;
    return true;
}

bool TBlockList::AddUnlocked(Item item)
{
    if (!ReserveDirectory(1))
        return false;
    if (m_blocks == 0 || m_directory[m_blocks - 1].count == kBlockCapacity) {
        // The entry past the last one is only counted once it has items.
        Block& opened = m_directory[m_blocks];
        const Block* last = m_blocks > 0 ? &m_directory[m_blocks - 1] : nullptr;
        opened = Block { 0, 0, last != nullptr ? last->first + last->count : 0, nullptr };
        if (!GrowBlock(opened, 1))
            return false;
        ++m_blocks;
    }
    Block& last = m_directory[m_blocks - 1];
    if (!GrowBlock(last, last.count + 1))
        return false;
    last.items[last.count++] = item;
    ++m_total;
    return true;
}

// 0 <= index < count.
bool TBlockList::InsertUnlocked(int index, Item item)
{
    int block = FindBlock(index);
    if (m_directory[block].count == kBlockCapacity) {
        // Split: a new entry before the full block takes its first half.
        constexpr int kHalf = kBlockCapacity / 2;
        if (!ReserveDirectory(1))
            return false;
        Block firstHalf {};
        if (!GrowBlock(firstHalf, kHalf + 1))
            return false;
        Block& full = m_directory[block];
        std::memcpy(firstHalf.items, full.items, sizeof(Item) * kHalf);
        std::memmove(full.items, full.items + kHalf, sizeof(Item) * kHalf);
        std::memset(static_cast<void*>(full.items + kHalf), 0, sizeof(Item) * kHalf);
        firstHalf.count = kHalf;
        firstHalf.first = full.first;
        full.count = kHalf;
        full.first += kHalf;
        std::memmove(static_cast<void*>(&m_directory[block + 1]), &m_directory[block],
            sizeof(Block) * (m_blocks - block));
        m_directory[block] = firstHalf;
        ++m_blocks;
        if (index >= m_directory[block + 1].first)
            ++block;
    }
    Block& target = m_directory[block];
    if (!GrowBlock(target, target.count + 1))
        return false;
    const int position = index - target.first;
    std::memmove(
        &target.items[position + 1], &target.items[position], sizeof(Item) * (target.count - position));
    target.items[position] = item;
    ++target.count;
    for (int i = block + 1; i < m_blocks; ++i)
        ++m_directory[i].first;
    ++m_total;
    return true;
}

// 0 <= index < count. A block with room takes all the items; otherwise the
// block is cut at `index` and the items go into new full blocks between
// the two parts. Everything is allocated before anything moves.
bool TBlockList::InsertManyUnlocked(int index, const Item* items, int count)
{
    const int block = FindBlock(index);
    {
        Block& target = m_directory[block];
        if (target.count + count <= kBlockCapacity) {
            if (!GrowBlock(target, target.count + count))
                return false;
            const int position = index - target.first;
            std::memmove(&target.items[position + count], &target.items[position],
                sizeof(Item) * (target.count - position));
            std::memcpy(&target.items[position], items, sizeof(Item) * count);
            target.count += count;
            for (int i = block + 1; i < m_blocks; ++i)
                m_directory[i].first += count;
            m_total += count;
            return true;
        }
    }
    const int cut = index - m_directory[block].first;
    const int chunks = (count + kBlockCapacity - 1) / kBlockCapacity;
    const int added = chunks + (cut > 0 ? 1 : 0);
    if (!ReserveDirectory(added))
        return false;
    // New entries in order: the part before the cut (when there is one),
    // then the chunks of new items.
    Block* fresh = TryAllocate<Block>(nullptr, added);
    if (fresh == nullptr)
        return false;
    std::memset(static_cast<void*>(fresh), 0, sizeof(Block) * added);
    bool allocated = true;
    const int firstChunk = cut > 0 ? 1 : 0;
    for (int i = 0; i < added && allocated; ++i) {
        const int size
            = i < firstChunk ? cut : std::min(kBlockCapacity, count - (i - firstChunk) * kBlockCapacity);
        allocated = GrowBlock(fresh[i], size);
        fresh[i].count = size;
    }
    if (!allocated) {
        for (int i = 0; i < added; ++i)
            std::free(fresh[i].items);
        std::free(fresh);
        return false;
    }
    Block& old = m_directory[block];
    const int start = old.first;
    if (cut > 0) {
        std::memcpy(fresh[0].items, old.items, sizeof(Item) * cut);
        std::memmove(old.items, old.items + cut, sizeof(Item) * (old.count - cut));
        std::memset(static_cast<void*>(old.items + old.count - cut), 0, sizeof(Item) * cut);
        old.count -= cut;
    }
    for (int i = firstChunk; i < added; ++i)
        std::memcpy(fresh[i].items, items + (i - firstChunk) * kBlockCapacity, sizeof(Item) * fresh[i].count);
    std::memmove(static_cast<void*>(&m_directory[block + added]), &m_directory[block],
        sizeof(Block) * (m_blocks - block));
    std::memcpy(static_cast<void*>(&m_directory[block]), fresh, sizeof(Block) * added);
    std::free(fresh);
    m_blocks += added;
    int first = start;
    for (int i = block; i < m_blocks; ++i) {
        m_directory[i].first = first;
        first += m_directory[i].count;
    }
    m_total += count;
    return true;
}

// Removes `count` items from `index` on (both valid), frees the blocks that
// empties and renumbers the blocks after the first one touched.
void TBlockList::DeleteRangeUnlocked(int index, int count)
{
    const int firstBlock = FindBlock(index);
    const int start = m_directory[firstBlock].first;
    int position = index - start;
    int remaining = count;
    int block = firstBlock;
    while (remaining > 0) {
        Block& b = m_directory[block];
        const int removed = std::min(remaining, b.count - position);
        std::memmove(
            &b.items[position], &b.items[position + removed], sizeof(Item) * (b.count - position - removed));
        b.count -= removed;
        std::memset(static_cast<void*>(&b.items[b.count]), 0, sizeof(Item) * removed);
        remaining -= removed;
        position = 0;
        ++block;
    }
    int kept = firstBlock;
    for (int i = firstBlock; i < m_blocks; ++i) {
        if (i < block && m_directory[i].count == 0) {
            std::free(m_directory[i].items);
            continue;
        }
        m_directory[kept++] = m_directory[i];
    }
    std::memset(static_cast<void*>(&m_directory[kept]), 0, sizeof(Block) * (m_blocks - kept));
    m_blocks = kept;
    int first = start;
    for (int i = firstBlock; i < m_blocks; ++i) {
        m_directory[i].first = first;
        first += m_directory[i].count;
    }
    m_total -= count;
}

int TBlockList::IndexOfUnlocked(Item item) const
{
    for (int b = 0; b < m_blocks; ++b) {
        Block& block = m_directory[b];
        for (int i = 0; i < block.count; ++i) {
            if (LoadItem(block.items[i]) == item)
                return block.first + i;
        }
    }
    return -1;
}

// Copies `count` items from `start` on (both valid) to `out`.
void TBlockList::CopyOut(int start, int count, Item* out) const
{
    int block = FindBlock(start);
    int position = start - m_directory[block].first;
    while (count > 0) {
        Block& b = m_directory[block];
        const int n = std::min(count, b.count - position);
        for (int i = 0; i < n; ++i)
            out[i] = LoadItem(b.items[position + i]);
        out += n;
        count -= n;
        position = 0;
        ++block;
    }
}

void TBlockList::FreeBlocks()
{
    for (int i = 0; i < m_blocks; ++i)
        std::free(m_directory[i].items);
    m_blocks = 0;
    m_total = 0;
}

} // namespace vantor
