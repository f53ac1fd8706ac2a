#pragma once

// What the two halves of TBlockList share: the allocation that does not
// ask, and the item access that readers on different stripes may do at once.

#include "video/BlockList.h"

#include <atomic>
#include <cstddef>

namespace vantor {

// One attempt through the allocator of SetBlockListRealloc: null when the
// memory is not there. The caller asks the user (TBlockList::ChangeShape).
void* TryBlockListRealloc(void* memory, std::size_t bytes);

template <typename T> T* TryAllocate(T* memory, std::size_t count)
{
    return static_cast<T*>(TryBlockListRealloc(memory, count * sizeof(T)));
}

// One reader may Put what another Gets; relaxed atomic access keeps that
// defined and costs a plain load or store.
inline TBlockList::Item LoadItem(TBlockList::Item& slot)
{
    return std::atomic_ref<TBlockList::Item>(slot).load(std::memory_order_relaxed);
}

inline void StoreItem(TBlockList::Item& slot, TBlockList::Item item)
{
    std::atomic_ref<TBlockList::Item>(slot).store(item, std::memory_order_relaxed);
}

} // namespace vantor
