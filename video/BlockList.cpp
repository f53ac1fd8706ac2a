#include "video/BlockList.h"

#include "platform/Dialogs.h"
#include "video/BlockListMemory.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <linux/membarrier.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace vantor {

namespace {

std::atomic<BlockListRealloc> g_realloc { nullptr };

constexpr char kOutOfMemoryText[]
    = "There is not enough memory in the system.\r\nPlease close other applications and press retry.";
constexpr char kOutOfMemoryCaption[] = "Warning";

// The question of a failed allocation; true when the user wants another try.
bool UserWantsRetry()
{
    return platform::MessageBox(nullptr, kOutOfMemoryText, kOutOfMemoryCaption,
               platform::MB_RETRYCANCEL | platform::MB_ICONWARNING)
        == platform::IDRETRY;
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

void* TryBlockListRealloc(void* memory, std::size_t bytes)
{
    BlockListRealloc realloc = g_realloc.load(std::memory_order_acquire);
    return realloc != nullptr ? realloc(memory, bytes) : std::realloc(memory, bytes);
}

namespace {

// The heavy half of the biased locks' barrier: every thread of the process
// runs a full memory barrier before it returns. Registered once; false
// when the kernel does not offer it, and then no lock is ever biased.
bool HeavyBarrierAvailable()
{
    static const bool available
        = syscall(SYS_membarrier, MEMBARRIER_CMD_REGISTER_PRIVATE_EXPEDITED, 0, 0) == 0;
    return available;
}

void HeavyBarrier()
{
    syscall(SYS_membarrier, MEMBARRIER_CMD_PRIVATE_EXPEDITED, 0, 0);
}

// Takes of one stripe's flag in a row by one thread before the lock is
// biased to it.
constexpr int kBiasStreak = 64;

} // namespace

// A waiter spins briefly, then yields, then sleeps, so a reader that waits
// for a long change of shape does not burn a core.
void TBlockList::Stripe::Lock()
{
    int attempt = 0;
    while (locked.exchange(true, std::memory_order_acquire)) {
        for (; locked.load(std::memory_order_relaxed); ++attempt) {
            if (attempt < 100)
                CpuRelax();
            else if (attempt < 200)
                std::this_thread::yield();
            else
                std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
    if (owner.load(std::memory_order_relaxed) != nullptr) {
        owner.store(nullptr, std::memory_order_relaxed);
        HeavyBarrier();
        while (inside.load(std::memory_order_acquire))
            CpuRelax();
    }
}

void TBlockList::Stripe::NoteReader()
{
    const void* self = &t_blockListThread;
    if (lastThread != self) {
        lastThread = self;
        streak = 0;
    }
    if (++streak >= kBiasStreak && HeavyBarrierAvailable())
        owner.store(self, std::memory_order_release);
}

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
            m_stripeMemory = TryBlockListRealloc(nullptr, sizeof(Stripe) * (m_stripeCount + 1));
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

TBlockList::Item TBlockList::GetStripedLocked(int index, int stripe)
{
    if (stripe < 0 || stripe >= m_stripeCount)
        return nullptr;
    Stripe& s = m_stripes[stripe];
    s.Lock();
    Item* slot = Locate(s, index);
    Item item = slot != nullptr ? LoadItem(*slot) : nullptr;
    s.NoteReader();
    s.Unlock();
    return item;
}

void TBlockList::PutStripedLocked(int index, Item item, int stripe)
{
    if (stripe < 0 || stripe >= m_stripeCount)
        return;
    Stripe& s = m_stripes[stripe];
    s.Lock();
    if (Item* slot = Locate(s, index))
        StoreItem(*slot, item);
    s.NoteReader();
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

int TBlockList::CachedIndex(int stripe) const
{
    if (stripe < 0 || stripe >= m_stripeCount)
        return -1;
    m_stripes[stripe].Lock();
    const int index = m_stripes[stripe].lastIndex;
    m_stripes[stripe].Unlock();
    return index;
}
// The slot of `index` for a reader of `stripe`, whose lock the caller
// holds; null past the end (which also forgets the stripe's position).
TBlockList::Item* TBlockList::Locate(Stripe& stripe, int index)
{
    if (index < 0 || index >= m_total) {
        stripe.lastIndex = -1;
        stripe.lastEnd = 0;
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
    Block& found = m_directory[block];
    stripe.lastBlock = block;
    stripe.lastIndex = index;
    stripe.lastItems = found.items;
    stripe.lastFirst = found.first;
    stripe.lastEnd = found.first + found.count;
    return &found.items[index - found.first];
}

void TBlockList::InvalidateStripes()
{
    for (int i = 0; i < m_stripeCount; ++i) {
        m_stripes[i].lastIndex = -1;
        m_stripes[i].lastEnd = 0;
    }
}

} // namespace vantor
