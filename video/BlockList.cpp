#include "video/BlockList.h"

#include "platform/Dialogs.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace vantor {

namespace {

std::atomic<BlockListRealloc> g_realloc { nullptr };

constexpr char kOutOfMemoryText[]
    = "There is not enough memory in the system.\r\nPlease close other applications and press retry.";
constexpr char kOutOfMemoryCaption[] = "Warning";

// One attempt, no question: null when the memory is not there.
void* TryRealloc(void* memory, std::size_t bytes)
{
    BlockListRealloc realloc = g_realloc.load(std::memory_order_acquire);
    return realloc != nullptr ? realloc(memory, bytes) : std::realloc(memory, bytes);
}

template <typename T> T* TryAllocate(T* memory, std::size_t count)
{
    return static_cast<T*>(TryRealloc(memory, count * sizeof(T)));
}

// The question of a failed allocation; true when the user wants another try.
bool UserWantsRetry()
{
    return platform::MessageBox(nullptr, kOutOfMemoryText, kOutOfMemoryCaption,
               platform::MB_RETRYCANCEL | platform::MB_ICONWARNING)
        == platform::IDRETRY;
}

// Items are read and written by readers on different stripes at once (one
// may Put what another Gets); relaxed atomic access keeps that defined and
// costs a plain load or store.
TBlockList::Item LoadItem(TBlockList::Item& slot)
{
    return std::atomic_ref<TBlockList::Item>(slot).load(std::memory_order_relaxed);
}

void StoreItem(TBlockList::Item& slot, TBlockList::Item item)
{
    std::atomic_ref<TBlockList::Item>(slot).store(item, std::memory_order_relaxed);
}

inline void CpuRelax()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

} // namespace

BlockListRealloc SetBlockListRealloc(BlockListRealloc realloc)
{
    return g_realloc.exchange(realloc, std::memory_order_acq_rel);
}

// The position cache of one stripe and its lock. The lock is a spinning
// flag: an uncontended read pays one atomic exchange. A waiter spins
// briefly, then yields, then sleeps, so a reader that waits for a long
// change of shape does not burn a core.
struct alignas(64) TBlockList::Stripe {
    std::atomic<bool> locked { false };
    int lastIndex = -1;
    int lastBlock = 0;

    void Lock()
    {
        if (!locked.exchange(true, std::memory_order_acquire))
            return;
        for (int attempt = 0;; ++attempt) {
            if (!locked.load(std::memory_order_relaxed) && !locked.exchange(true, std::memory_order_acquire))
                return;
            if (attempt < 100)
                CpuRelax();
            else if (attempt < 200)
                std::this_thread::yield();
            else
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
    void Unlock() { locked.store(false, std::memory_order_release); }
};

// Held by every change of shape: the general lock (and the source list's,
// for AddList and InsertList from another list), then every stripe lock in
// order, so no reader sees the list half changed.
class TBlockList::ShapeLock final {
public:
    ShapeLock(const TBlockList& list, const TBlockList* source)
        : m_list(list)
        , m_source(source != &list ? source : nullptr)
    {
        if (m_source != nullptr)
            std::lock(m_list.m_general, m_source->m_general);
        else
            m_list.m_general.lock();
        for (int i = 0; i < m_list.m_stripeCount; ++i)
            m_list.m_stripes[i].Lock();
    }
    ~ShapeLock()
    {
        for (int i = m_list.m_stripeCount - 1; i >= 0; --i)
            m_list.m_stripes[i].Unlock();
        if (m_source != nullptr)
            m_source->m_general.unlock();
        m_list.m_general.unlock();
    }
    ShapeLock(const ShapeLock&) = delete;
    ShapeLock& operator=(const ShapeLock&) = delete;

private:
    const TBlockList& m_list;
    const TBlockList* m_source;
};

// Runs one change of shape under the shape lock. The change returns false
// when an allocation failed; it has then left the list as it was. The
// question is asked with no lock held (other threads keep reading while it
// is open), and Retry runs the whole change again.
template <typename Change> void TBlockList::ChangeShape(const TBlockList* source, Change change)
{
    for (;;) {
        {
            ShapeLock lock(*this, source);
            InvalidateStripes();
            if (change())
                return;
        }
        if (!UserWantsRetry())
            throw TBlockListOutOfMemory();
    }
}

TBlockList::TBlockList(int stripes)
    : m_stripeCount(std::clamp(stripes, 1, kMaxStripes))
{
    for (;;) {
        if (m_stripeMemory == nullptr)
            m_stripeMemory = TryRealloc(nullptr, sizeof(Stripe) * (m_stripeCount + 1));
        if (m_stripeMemory != nullptr && m_directory == nullptr)
            m_directory = TryAllocate<Block>(nullptr, kDirectoryGrowth);
        if (m_directory != nullptr)
            break;
        if (!UserWantsRetry()) {
            std::free(m_stripeMemory);
            throw TBlockListOutOfMemory();
        }
    }
    std::memset(static_cast<void*>(m_directory), 0, sizeof(Block) * kDirectoryGrowth);
    m_directoryCapacity = kDirectoryGrowth;
    // realloc gives 16-byte alignment; the stripes want a cache line each.
    auto address = reinterpret_cast<std::uintptr_t>(m_stripeMemory);
    address = (address + alignof(Stripe) - 1) / alignof(Stripe) * alignof(Stripe);
    m_stripes = reinterpret_cast<Stripe*>(address);
    for (int i = 0; i < m_stripeCount; ++i)
        new (&m_stripes[i]) Stripe();
}

TBlockList::~TBlockList()
{
    FreeBlocks();
    std::free(m_directory);
    for (int i = 0; i < m_stripeCount; ++i)
        m_stripes[i].~Stripe();
    std::free(m_stripeMemory);
}

int TBlockList::Count() const
{
    std::lock_guard lock(m_general);
    return m_total;
}

int TBlockList::Add(Item item)
{
    int index = -1;
    ChangeShape(nullptr, [&] {
        if (!AddUnlocked(item))
            return false;
        index = m_total - 1;
        return true;
    });
    return index;
}

void TBlockList::AddList(const TBlockList& source, int start, int count)
{
    InsertFrom(true, 0, source, start, count);
}

void TBlockList::Clear()
{
    ChangeShape(nullptr, [&] {
        if (m_directoryCapacity != kDirectoryGrowth) {
            Block* fresh = TryAllocate<Block>(nullptr, kDirectoryGrowth);
            if (fresh == nullptr)
                return false;
            FreeBlocks();
            std::free(m_directory);
            m_directory = fresh;
            m_directoryCapacity = kDirectoryGrowth;
        } else {
            FreeBlocks();
        }
        std::memset(static_cast<void*>(m_directory), 0, sizeof(Block) * kDirectoryGrowth);
        m_blocks = 0;
        m_total = 0;
        return true;
    });
}

void TBlockList::Delete(int index)
{
    DeleteRange(index, 1);
}

void TBlockList::DeleteRange(int index, int count)
{
    ChangeShape(nullptr, [&] {
        if (index >= 0 && index < m_total && count > 0)
            DeleteRangeUnlocked(index, std::min(count, m_total - index));
        return true;
    });
}

TBlockList::Item TBlockList::Get(int index)
{
    return GetStriped(index, 0);
}

void TBlockList::Put(int index, Item item)
{
    PutStriped(index, item, 0);
}

TBlockList::Item TBlockList::GetStriped(int index, int stripe)
{
    if (stripe < 0 || stripe >= m_stripeCount)
        return nullptr;
    Stripe& s = m_stripes[stripe];
    s.Lock();
    Item* slot = Locate(s, index);
    Item item = slot != nullptr ? LoadItem(*slot) : nullptr;
    s.Unlock();
    return item;
}

void TBlockList::PutStriped(int index, Item item, int stripe)
{
    if (stripe < 0 || stripe >= m_stripeCount)
        return;
    Stripe& s = m_stripes[stripe];
    s.Lock();
    if (Item* slot = Locate(s, index))
        StoreItem(*slot, item);
    s.Unlock();
}

void TBlockList::Insert(int index, Item item)
{
    ChangeShape(nullptr, [&] {
        if (index < 0 || index > m_total)
            return true;
        return index == m_total ? AddUnlocked(item) : InsertUnlocked(index, item);
    });
}

int TBlockList::Remove(Item item)
{
    int index = -1;
    ChangeShape(nullptr, [&] {
        index = IndexOfUnlocked(item);
        if (index >= 0)
            DeleteRangeUnlocked(index, 1);
        return true;
    });
    return index;
}

void TBlockList::InsertList(int index, const TBlockList& source, int start, int count)
{
    InsertFrom(false, index, source, start, count);
}

void TBlockList::InsertFrom(bool append, int index, const TBlockList& source, int start, int count)
{
    ChangeShape(&source, [&] {
        if (append)
            index = m_total;
        if (index < 0 || index > m_total || start < 0 || start >= source.m_total || count <= 0)
            return true;
        count = std::min(count, source.m_total - start);
        // A copy first: the source may be this list.
        Item* copy = TryAllocate<Item>(nullptr, count);
        if (copy == nullptr)
            return false;
        source.CopyOut(start, count, copy);
        bool done;
        if (index == m_total) {
            const int before = m_total;
            done = true;
            for (int i = 0; i < count && done; ++i)
                done = AddUnlocked(copy[i]);
            if (!done && m_total > before)
                DeleteRangeUnlocked(before, m_total - before);
        } else {
            done = InsertManyUnlocked(index, copy, count);
        }
        std::free(copy);
        return done;
    });
}

void TBlockList::Move(int from, int to)
{
    // Inserting first and deleting second gives the same order as "delete,
    // then insert", and a failed allocation then has taken nothing away.
    ChangeShape(nullptr, [&] {
        if (from < 0 || from >= m_total || to < 0 || to >= m_total || from == to)
            return true;
        const int block = FindBlock(from);
        Item item = LoadItem(m_directory[block].items[from - m_directory[block].first]);
        const int insertAt = to < from ? to : to + 1;
        const bool inserted = insertAt == m_total ? AddUnlocked(item) : InsertUnlocked(insertAt, item);
        if (!inserted)
            return false;
        DeleteRangeUnlocked(to < from ? from + 1 : from, 1);
        return true;
    });
}

int TBlockList::IndexOf(Item item) const
{
    std::lock_guard lock(m_general);
    return IndexOfUnlocked(item);
}

int TBlockList::BlockCount() const
{
    std::lock_guard lock(m_general);
    return m_blocks;
}

int TBlockList::BlockFirstIndex(int block) const
{
    std::lock_guard lock(m_general);
    return block >= 0 && block < m_blocks ? m_directory[block].first : -1;
}

int TBlockList::BlockItemCount(int block) const
{
    std::lock_guard lock(m_general);
    return block >= 0 && block < m_blocks ? m_directory[block].count : -1;
}

int TBlockList::BlockCapacity(int block) const
{
    std::lock_guard lock(m_general);
    return block >= 0 && block < m_blocks ? m_directory[block].capacity : -1;
}

int TBlockList::DirectoryCapacity() const
{
    std::lock_guard lock(m_general);
    return m_directoryCapacity;
}

int TBlockList::CachedIndex(int stripe) const
{
    if (stripe < 0 || stripe >= m_stripeCount)
        return -1;
    m_stripes[stripe].Lock();
    const int index = m_stripes[stripe].lastIndex;
    m_stripes[stripe].Unlock();
    return index;
}

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

// The slot of `index` for a reader of `stripe`, whose lock the caller
// holds; null past the end (which also forgets the stripe's position).
TBlockList::Item* TBlockList::Locate(Stripe& stripe, int index)
{
    if (index < 0 || index >= m_total) {
        stripe.lastIndex = -1;
        return nullptr;
    }
    int block;
    if (stripe.lastIndex >= 0 && stripe.lastIndex <= index) {
        // The cached block serves the same index and the next one; any
        // other later index starts from the first block.
        block = index - stripe.lastIndex <= 1 ? stripe.lastBlock : 0;
        if (index > m_directory[block].first + m_directory[block].count - 1)
            block = FindBlock(index);
    } else {
        block = FindBlock(index);
    }
    stripe.lastBlock = block;
    stripe.lastIndex = index;
    Block& found = m_directory[block];
    return &found.items[index - found.first];
}

void TBlockList::InvalidateStripes()
{
    for (int i = 0; i < m_stripeCount; ++i)
        m_stripes[i].lastIndex = -1;
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
