#include "video/BlockList.h"

#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

using vantor::TBlockList;
using Items = std::vector<void*>;
using Layout = std::vector<std::tuple<int, int, int>>; // first index, count, capacity per block

namespace {

// Items are odd numbers so that a zeroed slot never passes for one.
void* Item(std::uintptr_t n)
{
    return reinterpret_cast<void*>(n * 2 + 1);
}

Layout LayoutOf(const TBlockList& list)
{
    Layout layout;
    for (int b = 0; b < list.BlockCount(); ++b)
        layout.emplace_back(list.BlockFirstIndex(b), list.BlockItemCount(b), list.BlockCapacity(b));
    return layout;
}

Items Read(TBlockList& list, int stripe)
{
    Items items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list.GetStriped(i, stripe));
    return items;
}

enum Op { kAdd, kInsert, kDelete, kDeleteRange, kPut, kMove, kRemove, kAddList, kInsertList, kClear, kOps };

struct Step {
    Op op;
    int a, b, c;
};

// A list and a second list to copy from, each with the vector it must equal.
struct Lists {
    Lists(int filled, int sourceFilled)
    {
        for (int i = 0; i < filled; ++i)
            ref.push_back(Item(list.Add(Item(i))));
        for (int i = 0; i < sourceFilled; ++i)
            sourceRef.push_back(Item(source.Add(Item(i))));
    }
    TBlockList list { 6 }, source;
    Items ref, sourceRef;
};

// One operation on the list and, by the container's rules, on its vector.
// `c` picks the stripe (Put), or the source (odd: the other list, even: the
// list itself) and for InsertList, halved, the index.
void Apply(const Step& step, Lists& l)
{
    const auto [op, a, b, c] = step;
    Items& ref = l.ref;
    const int n = static_cast<int>(ref.size());
    auto in = [](int i, int end) { return i >= 0 && i < end; };
    if (op == kAdd) {
        EXPECT_EQ(l.list.Add(Item(a)), n);
        ref.push_back(Item(a));
    } else if (op == kInsert) {
        l.list.Insert(b, Item(a));
        if (in(b, n + 1))
            ref.insert(ref.begin() + b, Item(a));
    } else if (op == kDelete || op == kDeleteRange) {
        op == kDelete ? l.list.Delete(a) : l.list.DeleteRange(a, b);
        const int count = op == kDelete ? 1 : b;
        if (in(a, n) && count > 0)
            ref.erase(ref.begin() + a, ref.begin() + std::min(n, a + count));
    } else if (op == kPut) {
        l.list.PutStriped(b, Item(a), c);
        if (in(b, n))
            ref[b] = Item(a);
    } else if (op == kMove) {
        l.list.Move(a, b);
        if (in(a, n) && in(b, n)) {
            void* item = ref[a];
            ref.erase(ref.begin() + a);
            ref.insert(ref.begin() + b, item);
        }
    } else if (op == kRemove) {
        auto found = std::find(ref.begin(), ref.end(), Item(a));
        EXPECT_EQ(l.list.Remove(Item(a)), found == ref.end() ? -1 : found - ref.begin());
        if (found != ref.end())
            ref.erase(found);
    } else if (op == kAddList || op == kInsertList) {
        const Items from = c % 2 == 0 ? ref : l.sourceRef;
        TBlockList& source = c % 2 == 0 ? l.list : l.source;
        const int at = op == kAddList ? n : c / 2;
        op == kAddList ? l.list.AddList(source, a, b) : l.list.InsertList(at, source, a, b);
        if (in(at, n + 1) && in(a, static_cast<int>(from.size())) && b > 0)
            ref.insert(ref.begin() + at, from.begin() + a, from.begin() + std::min<int>(from.size(), a + b));
    } else {
        l.list.Clear();
        ref.clear();
    }
}

// The items equal `ref` when read through `stripe`; blocks in order, none
// empty, none past 32768 items, arrays in steps of 8192.
void ExpectWellFormed(TBlockList& list, const Items& ref, int stripe)
{
    EXPECT_EQ(Read(list, stripe), ref);
    int first = 0;
    for (const auto& [blockFirst, count, capacity] : LayoutOf(list)) {
        EXPECT_EQ(blockFirst, first);
        EXPECT_TRUE(count >= 1 && count <= 32768 && count <= capacity && capacity % 8192 == 0);
        first += count;
    }
    EXPECT_EQ(first, list.Count());
}

// The allocator of the out-of-memory cases: calls number `g_failFrom` and on
// fail, `g_failCount` of them.
int g_calls = 0, g_failFrom = 0, g_failCount = 0;

void* FlakyRealloc(void* memory, std::size_t bytes)
{
    ++g_calls;
    if (g_calls >= g_failFrom && g_calls < g_failFrom + g_failCount)
        return nullptr;
    return std::realloc(memory, bytes);
}

} // namespace

TEST(BlockListTest, EdgeCasesGiveTheDesignedBlocks)
{
    const struct {
        const char* name;
        int filled;
        std::vector<Step> steps;
        Layout layout;
    } cases[] = {
        { "one past a full block", 32769, {}, { { 0, 32768, 32768 }, { 32768, 1, 8192 } } },
        { "array grows by 8192", 8193, {}, { { 0, 8193, 16384 } } },
        { "insert splits a full block, first half", 32768, { { kInsert, 900001, 100, 0 } },
            { { 0, 16385, 24576 }, { 16385, 16384, 32768 } } },
        { "insert splits a full block, second half", 32768, { { kInsert, 900001, 20000, 0 } },
            { { 0, 16384, 24576 }, { 16384, 16385, 32768 } } },
        { "deleting a block's only item", 65537,
            { { kDeleteRange, 32768, 32767, 0 }, { kDelete, 32768, 0, 0 } },
            { { 0, 32768, 32768 }, { 32768, 1, 8192 } } },
        { "insert list into a full block", 32768, { { kInsertList, 0, 5, 21 } },
            { { 0, 10, 8192 }, { 10, 5, 8192 }, { 15, 32758, 32768 } } },
        { "insert past the count", 3, { { kInsert, 900001, 4, 0 }, { kMove, 0, 3, 0 } }, { { 0, 3, 8192 } } },
        { "clear", 40000, { { kClear, 0, 0, 0 } }, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Lists l(c.filled, 5);
        l.list.Get(0);
        for (const Step& s : c.steps)
            Apply(s, l);
        // Every step changes the shape (or tries to): the position is gone.
        EXPECT_EQ(l.list.CachedIndex(0), c.steps.empty() ? 0 : -1);
        EXPECT_EQ(LayoutOf(l.list), c.layout);
        ExpectWellFormed(l.list, l.ref, 0);
        // A read at the count yields nothing and forgets the position.
        EXPECT_EQ(l.list.Get(l.list.Count()), nullptr);
        EXPECT_EQ(l.list.CachedIndex(0), -1);
    }
}

// Retry asks again; Cancel stops the call and leaves the list as it was.
TEST(BlockListTest, OutOfMemoryAsksRetryOrCancel)
{
    using namespace platform;
    const struct {
        const char* name;
        int filled, failFrom, failCount;
        Step step;
        std::deque<int> answers;
        bool cancelled;
    } cases[] = {
        { "retry gets the memory", 0, 1, 1, { kAdd, 5, 0, 0 }, { IDRETRY }, false },
        { "cancel", 0, 1, 1, { kAdd, 5, 0, 0 }, { IDCANCEL }, true },
        { "split of a full block", 32768, 1, 1, { kInsert, 5, 7, 0 }, { IDCANCEL }, true },
        { "append across a block", 32760, 2, 1, { kAddList, 0, 20, 1 }, { IDCANCEL }, true },
        { "insert list", 32760, 2, 1, { kInsertList, 0, 20, 21 }, { IDCANCEL }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vantor::test::ScriptedDialogs dialogs;
        dialogs.messageAnswers = c.answers;
        Lists l(c.filled, 20);
        const Items before = l.ref;
        g_calls = 0;
        g_failFrom = c.failFrom;
        g_failCount = c.failCount;
        vantor::BlockListRealloc previous = vantor::SetBlockListRealloc(&FlakyRealloc);
        bool cancelled = false;
        try {
            Apply(c.step, l);
        } catch (const vantor::TBlockListOutOfMemory&) {
            cancelled = true;
        }
        vantor::SetBlockListRealloc(previous);
        EXPECT_EQ(cancelled, c.cancelled);
        ExpectWellFormed(l.list, cancelled ? before : l.ref, 0);
        ASSERT_EQ(dialogs.messages.size(), c.answers.size());
        EXPECT_EQ(dialogs.messages[0].text,
            "There is not enough memory in the system.\r\nPlease close other applications and press retry.");
        EXPECT_EQ(dialogs.messages[0].caption, "Warning");
        EXPECT_EQ(dialogs.messages[0].flags, 0x35u);
    }
}

// Random operations against a vector, across block boundaries, read through
// three stripes; then readers on their own stripes while the shape changes.
TEST(BlockListTest, MatchesAVectorUnderRandomOperationsAndConcurrentReaders)
{
    std::mt19937 random(20261206);
    auto below = [&](int n) { return n > 0 ? static_cast<int>(random() % n) : 0; };
    Lists l(70000, 50000);
    TBlockList& list = l.list;
    const Items& ref = l.ref;
    int next = 1000000;
    // Values for Add, Insert, Put and Remove; indexes and counts otherwise,
    // some of them out of range.
    auto step = [&](Op op) {
        const int n = static_cast<int>(ref.size());
        const bool value = op == kAdd || op == kInsert;
        const bool range = op == kDeleteRange || op == kAddList || op == kInsertList;
        const int a = value ? next++ : op == kRemove ? next - below(50) : below(n + 2) - 1;
        const int b = range ? below(50000) : below(n + 2) - 1;
        Apply({ op, a, b, op == kInsertList ? below(2 * n + 2) : below(3) }, l);
    };
    for (int round = 0; round < 1500; ++round) {
        auto op = static_cast<Op>(below(kOps));
        if (op == kClear && round % 10 != 0)
            op = kInsert;
        if (ref.size() > 200000 && (op == kAddList || op == kInsertList))
            op = kDeleteRange;
        step(op);
        ASSERT_EQ(list.Count(), static_cast<int>(ref.size()));
        const int stripe = below(3);
        for (int i = below(ref.size() + 1), end = i + 100; i < end && i < list.Count(); ++i)
            ASSERT_EQ(list.GetStriped(i, stripe), ref[i]) << i;
        if (round % 100 == 0)
            ExpectWellFormed(list, ref, stripe);
    }

    std::atomic<bool> stop { false };
    std::atomic<int> foreign { 0 };
    std::vector<std::thread> readers;
    for (int stripe = 1; stripe < 6; ++stripe) {
        readers.emplace_back([&, stripe] {
            // Null is a read past the end: the list shrank meanwhile.
            for (int i = 0; !stop; i = i + 1 < list.Count() ? i + 1 : 0) {
                auto item = reinterpret_cast<std::uintptr_t>(list.GetStriped(i, stripe));
                foreign += item != 0 && item % 2 == 0;
            }
        });
    }
    for (int round = 0; round < 300; ++round)
        step(static_cast<Op>(below(kClear)));
    stop = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(foreign, 0);
    ExpectWellFormed(list, ref, 3);
}
