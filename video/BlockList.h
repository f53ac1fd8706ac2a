#pragma once

// TBlockList: a list of untyped items (pointers the caller owns) kept in
// blocks of at most 32768 items, so that inserting or deleting in the middle
// of a long list moves one block's tail, not the whole list.
//
// Layout: a directory of blocks {capacity, count, first index, items}; the
// directory starts with room for 1000 blocks and grows by 1000; a block's
// item array grows by 8192 entries (new entries zeroed). Blocks are ordered,
// each block's first index is the sum of the counts before it, and an empty
// block leaves the directory at once.
//
// Stripes: a reader names a stripe (0..stripes-1); each stripe keeps the
// position of its last read (index and block) so that a sequential read
// finds its block without a search. Readers on different stripes do not
// wait for each other. Every operation that changes the list's shape takes
// the general lock and then every stripe lock, so readers always see a
// whole list; it clears every stripe's position first.
//
// A stripe's lock is biased: once one thread has taken it many times in a
// row, that thread reads without an atomic read-modify-write (a flag and a
// compiler barrier), which keeps a sequential read close to a plain
// array's. Anyone else who takes the lock first withdraws the bias with a
// process-wide memory barrier (membarrier(2)) and waits for the owner's
// read in progress. Where the kernel lacks that barrier, no lock is biased.
//
// Memory: when an allocation fails, the user is asked "There is not enough
// memory in the system..." with Retry and Cancel, with no lock held. Retry
// runs the whole operation again. Cancel stops it in an orderly way: it
// throws TBlockListOutOfMemory and the list is left exactly as it was
// before the call (no item added, moved or lost), so the caller can catch
// it and carry on with what it has.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>

namespace vantor {

// Thrown when the user cancels the out-of-memory question.
class TBlockListOutOfMemory final : public std::bad_alloc {
public:
    const char* what() const noexcept override { return "TBlockList: out of memory"; }
};

class TBlockList {
public:
    using Item = void*;

    static constexpr int kBlockCapacity = 32768; // items in a full block
    static constexpr int kBlockGrowth = 8192; // items added to a block's array at a time
    static constexpr int kDirectoryGrowth = 1000; // directory entries added at a time
    static constexpr int kMaxStripes = 100;

    // `stripes` is clamped to 1..100.
    explicit TBlockList(int stripes = 1);
    virtual ~TBlockList();
    TBlockList(const TBlockList&) = delete;
    TBlockList& operator=(const TBlockList&) = delete;

    // The virtual operations, in their fixed table order.
    virtual int Count() const;
    // Appends; returns the new item's index.
    virtual int Add(Item item);
    // Appends `count` items of `source` from `start` on (clipped to its end).
    virtual void AddList(const TBlockList& source, int start, int count);
    virtual void Clear();
    // Out-of-range indexes do nothing.
    virtual void Delete(int index);
    // Removes `count` items from `index` on, clipped to the end.
    virtual void DeleteRange(int index, int count);
    // Stripe 0. Out of range: null (reading) or nothing (writing).
    virtual Item Get(int index);
    virtual void Put(int index, Item item);
    // `stripe` must be 0..Stripes()-1 (others read nothing, write nothing).
    // Inline, so that a read through the biased lock costs no call.
    virtual Item GetStriped(int index, int stripe);
    virtual void PutStriped(int index, Item item, int stripe);
    // An index past the count does nothing; at the count it appends.
    virtual void Insert(int index, Item item);
    // Deletes the first occurrence; returns its former index or -1.
    virtual int Remove(Item item);
    // Inserts `count` items of `source` from `start` on at `index`.
    virtual void InsertList(int index, const TBlockList& source, int start, int count);
    // Takes the item at `from` out and puts it in at `to`; either index out
    // of range does nothing.
    virtual void Move(int from, int to);
    // The first index holding `item`, or -1.
    virtual int IndexOf(Item item) const;

    int Stripes() const { return m_stripeCount; }

    // What the layout looks like, for tests and diagnostics.
    int BlockCount() const;
    int BlockFirstIndex(int block) const;
    int BlockItemCount(int block) const;
    int BlockCapacity(int block) const;
    // The index a stripe's position cache holds, -1 when it holds none.
    int CachedIndex(int stripe) const;

private:
    struct Block {
        int capacity = 0;
        int count = 0;
        int first = 0;
        Item* items = nullptr;
    };
    // The position cache of one stripe and its lock. `locked` is a spinning
    // flag; `owner` is the thread the lock is biased to (null: none), which
    // sets `inside` while it reads without taking the flag.
    struct alignas(64) Stripe {
        std::atomic<bool> locked { false };
        std::atomic<const void*> owner { nullptr };
        std::atomic<bool> inside { false };
        int lastIndex = -1;
        int lastBlock = 0;
        // The cached block's items, first index and end (first + count),
        // copied so that the next read needs no directory; a forgotten
        // position has lastEnd 0.
        Item* lastItems = nullptr;
        int lastFirst = 0;
        int lastEnd = 0;
        const void* lastThread = nullptr; // who took the flag last, and how often in a row
        int streak = 0;

        // Takes the flag and withdraws any bias.
        void Lock();
        void Unlock() { locked.store(false, std::memory_order_release); }
        // Under the flag: counts the caller's streak and biases the lock to
        // it after enough takes in a row.
        void NoteReader();
        // The owner's way in and out without the flag; false: not the owner.
        bool EnterBiased();
        void LeaveBiased() { inside.store(false, std::memory_order_release); }
    };
    class ShapeLock;
    template <typename Change> void ChangeShape(const TBlockList* source, Change change);

    int FindBlock(int index) const;
    Item* LocateNext(Stripe& stripe, int index);
    Item* Locate(Stripe& stripe, int index);
    Item GetStripedLocked(int index, int stripe);
    void PutStripedLocked(int index, Item item, int stripe);
    void InvalidateStripes();
    bool ReserveDirectory(int extra);
    bool GrowBlock(Block& block, int items);
    bool AddUnlocked(Item item);
    bool InsertUnlocked(int index, Item item);
    void InsertFrom(bool append, int index, const TBlockList& source, int start, int count);
    bool InsertManyUnlocked(int index, const Item* items, int count);
    void DeleteRangeUnlocked(int index, int count);
    int IndexOfUnlocked(Item item) const;
    void CopyOut(int start, int count, Item* out) const;
    void FreeBlocks();

    Block* m_directory = nullptr;
    int m_directoryCapacity = 0;
    int m_blocks = 0;
    int m_total = 0;
    int m_stripeCount = 1;
    Stripe* m_stripes = nullptr; // m_stripeCount of them, in m_stripeMemory
    void* m_stripeMemory = nullptr;
    mutable std::mutex m_general;
};

// A different address in every thread: the identity of a lock's owner.
inline thread_local char t_blockListThread = 0;

inline bool TBlockList::Stripe::EnterBiased()
{
    const void* self = &t_blockListThread;
    if (owner.load(std::memory_order_relaxed) != self)
        return false;
    inside.store(true, std::memory_order_relaxed);
    // The other half of this barrier is the heavy one of Lock(): either
    // Lock() sees `inside`, or this load sees the bias withdrawn.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    if (owner.load(std::memory_order_acquire) == self)
        return true;
    LeaveBiased();
    return false;
}

// The next index within the cached block: the common case of a sequential
// read, without a call. Everything else takes Locate's whole rule.
inline TBlockList::Item* TBlockList::LocateNext(Stripe& stripe, int index)
{
    if (index == stripe.lastIndex + 1 && index < stripe.lastEnd) [[likely]] {
        stripe.lastIndex = index;
        return &stripe.lastItems[index - stripe.lastFirst];
    }
    return Locate(stripe, index);
}

inline TBlockList::Item TBlockList::GetStriped(int index, int stripe)
{
    if (static_cast<unsigned>(stripe) < static_cast<unsigned>(m_stripeCount)
        && m_stripes[stripe].EnterBiased()) [[likely]] {
        Item* slot = LocateNext(m_stripes[stripe], index);
        Item item = slot != nullptr ? std::atomic_ref<Item>(*slot).load(std::memory_order_relaxed) : nullptr;
        m_stripes[stripe].LeaveBiased();
        return item;
    }
    return GetStripedLocked(index, stripe);
}

inline void TBlockList::PutStriped(int index, Item item, int stripe)
{
    if (static_cast<unsigned>(stripe) < static_cast<unsigned>(m_stripeCount)
        && m_stripes[stripe].EnterBiased()) [[likely]] {
        if (Item* slot = LocateNext(m_stripes[stripe], index))
            std::atomic_ref<Item>(*slot).store(item, std::memory_order_relaxed);
        m_stripes[stripe].LeaveBiased();
        return;
    }
    PutStripedLocked(index, item, stripe);
}

// The allocator every TBlockList allocation goes through (realloc's
// contract; a null result is a failed allocation). Tests replace it to make
// allocations fail; returns the one it replaces. Null restores realloc.
using BlockListRealloc = void* (*)(void* memory, std::size_t bytes);
BlockListRealloc SetBlockListRealloc(BlockListRealloc realloc);

} // namespace vantor
