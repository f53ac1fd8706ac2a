#include "video/BlockList.h"

#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
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

void Fill(TBlockList& list, Items& reference, int count)
{
    for (int i = 0; i < count; ++i)
        reference.push_back(Item(list.Add(Item(reference.size()))));
}

enum Op { kAdd, kInsert, kDelete, kDeleteRange, kPut, kMove, kRemove, kAddList, kInsertList, kClear, kOps };

// One operation on the list and, by the container's rules, on a vector.
void Apply(
    Op op, int a, int b, int c, TBlockList& list, Items& ref, TBlockList& source, const Items& sourceRef)
{
    const int n = static_cast<int>(ref.size());
    const int sn = static_cast<int>(sourceRef.size());
    switch (op) {
    case kAdd:
        EXPECT_EQ(list.Add(Item(a)), n);
        ref.push_back(Item(a));
        break;
    case kInsert:
        list.Insert(b, Item(a));
        if (b >= 0 && b <= n)
            ref.insert(ref.begin() + b, Item(a));
        break;
    case kDelete:
        list.Delete(a);
        if (a >= 0 && a < n)
            ref.erase(ref.begin() + a);
        break;
    case kDeleteRange:
        list.DeleteRange(a, b);
        if (a >= 0 && a < n && b > 0)
            ref.erase(ref.begin() + a, ref.begin() + std::min(n, a + b));
        break;
    case kPut:
        list.PutStriped(b, Item(a), c);
        if (b >= 0 && b < n)
            ref[b] = Item(a);
        break;
    case kMove:
        list.Move(a, b);
        if (a >= 0 && a < n && b >= 0 && b < n) {
            void* item = ref[a];
            ref.erase(ref.begin() + a);
            ref.insert(ref.begin() + b, item);
        }
        break;
    case kRemove: {
        auto found = std::find(ref.begin(), ref.end(), Item(a));
        EXPECT_EQ(list.Remove(Item(a)), found == ref.end() ? -1 : found - ref.begin());
        if (found != ref.end())
            ref.erase(found);
        break;
    }
    case kAddList:
    case kInsertList: {
        const bool self = c % 2 == 0;
        const Items from = self ? ref : sourceRef;
        const int fromCount = self ? n : sn;
        const int at = op == kAddList ? n : c / 2;
        if (op == kAddList)
            list.AddList(self ? list : source, a, b);
        else
            list.InsertList(at, self ? list : source, a, b);
        if (at >= 0 && at <= n && a >= 0 && a < fromCount && b > 0)
            ref.insert(ref.begin() + at, from.begin() + a, from.begin() + std::min(fromCount, a + b));
        break;
    }
    default:
        list.Clear();
        ref.clear();
    }
}

// Blocks in order, none empty, none past 32768 items, arrays in steps of 8192.
void ExpectWellFormed(const TBlockList& list)
{
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
int g_calls = 0;
int g_failFrom = 0;
int g_failCount = 0;

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
    struct Step {
        Op op;
        int a, b, c;
    };
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
        { "range clipped at the end", 10, { { kDeleteRange, 8, 5, 0 } }, { { 0, 8, 8192 } } },
        { "insert past the count", 3, { { kInsert, 900001, 4, 0 }, { kMove, 0, 3, 0 } }, { { 0, 3, 8192 } } },
        { "clear", 40000, { { kClear, 0, 0, 0 } }, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBlockList list, source;
        Items ref, sourceRef;
        Fill(list, ref, c.filled);
        Fill(source, sourceRef, 5);
        for (const Step& s : c.steps)
            Apply(s.op, s.a, s.b, s.c, list, ref, source, sourceRef);
        EXPECT_EQ(LayoutOf(list), c.layout);
        EXPECT_EQ(Read(list, 0), ref);
        EXPECT_EQ(list.DirectoryCapacity(), 1000);
    }
}

// Every change of shape forgets the position of every stripe; reads,
// writes, Count and IndexOf leave the other stripes' positions alone; a
// read at the count yields nothing and forgets its own stripe's position.
TEST(BlockListTest, PositionCachesAreForgottenByShapeChangesOnly)
{
    const struct {
        const char* name;
        std::function<void(TBlockList&)> call;
        int stripe0, stripe2; // cached index afterwards
    } cases[] = {
        { "Add", [](TBlockList& l) { l.Add(Item(7)); }, -1, -1 },
        { "Insert past the count", [](TBlockList& l) { l.Insert(99, Item(7)); }, -1, -1 },
        { "Delete", [](TBlockList& l) { l.Delete(0); }, -1, -1 },
        { "DeleteRange", [](TBlockList& l) { l.DeleteRange(1, 1); }, -1, -1 },
        { "Move", [](TBlockList& l) { l.Move(0, 2); }, -1, -1 },
        { "Remove", [](TBlockList& l) { l.Remove(Item(1)); }, -1, -1 },
        { "AddList", [](TBlockList& l) { l.AddList(l, 0, 1); }, -1, -1 },
        { "InsertList", [](TBlockList& l) { l.InsertList(0, l, 0, 1); }, -1, -1 },
        { "Clear", [](TBlockList& l) { l.Clear(); }, -1, -1 },
        { "Count and IndexOf", [](TBlockList& l) { l.IndexOf(Item(l.Count())); }, 1, 2 },
        { "Get", [](TBlockList& l) { l.Get(0); }, 0, 2 },
        { "PutStriped", [](TBlockList& l) { l.PutStriped(0, Item(9), 2); }, 1, 0 },
        { "Get at the count", [](TBlockList& l) { EXPECT_EQ(l.Get(4), nullptr); }, -1, 2 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TBlockList list(3);
        Items ref;
        Fill(list, ref, 4);
        list.GetStriped(1, 0);
        list.GetStriped(2, 2);
        c.call(list);
        EXPECT_EQ(list.CachedIndex(0), c.stripe0);
        EXPECT_EQ(list.CachedIndex(2), c.stripe2);
    }
}

// Retry asks again; Cancel stops the call and leaves the list as it was.
TEST(BlockListTest, OutOfMemoryAsksRetryOrCancel)
{
    using namespace platform;
    const struct {
        const char* name;
        int filled;
        Op op;
        int a, b, c;
        int failFrom, failCount;
        std::deque<int> answers;
        bool cancelled;
    } cases[] = {
        { "retry gets the memory", 0, kAdd, 5, 0, 0, 1, 1, { IDRETRY }, false },
        { "cancel", 0, kAdd, 5, 0, 0, 1, 1, { IDCANCEL }, true },
        { "retry, retry, cancel", 0, kAdd, 5, 0, 0, 1, 3, { IDRETRY, IDRETRY, IDCANCEL }, true },
        { "split of a full block", 32768, kInsert, 5, 7, 0, 1, 1, { IDCANCEL }, true },
        { "append across a block", 32760, kAddList, 0, 20, 1, 2, 1, { IDCANCEL }, true },
        { "insert list", 32760, kInsertList, 0, 20, 21, 2, 1, { IDCANCEL }, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        vantor::test::ScriptedDialogs dialogs;
        dialogs.messageAnswers = c.answers;
        TBlockList list, source;
        Items ref, sourceRef;
        Fill(list, ref, c.filled);
        Fill(source, sourceRef, 20);
        const Items before = ref;
        g_calls = 0;
        g_failFrom = c.failFrom;
        g_failCount = c.failCount;
        vantor::BlockListRealloc previous = vantor::SetBlockListRealloc(&FlakyRealloc);
        bool cancelled = false;
        try {
            Apply(c.op, c.a, c.b, c.c, list, ref, source, sourceRef);
        } catch (const vantor::TBlockListOutOfMemory&) {
            cancelled = true;
        }
        vantor::SetBlockListRealloc(previous);
        EXPECT_EQ(cancelled, c.cancelled);
        EXPECT_EQ(Read(list, 0), cancelled ? before : ref);
        ExpectWellFormed(list);
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
    TBlockList list(6), source;
    Items ref, sourceRef;
    Fill(source, sourceRef, 50000);
    Fill(list, ref, 70000);
    int next = 1000000;
    // Values for Add, Insert, Put and Remove; indexes and counts otherwise,
    // some of them out of range.
    auto step = [&](Op op) {
        const int n = static_cast<int>(ref.size());
        const bool value = op == kAdd || op == kInsert;
        const bool range = op == kDeleteRange || op == kAddList || op == kInsertList;
        const int a = value ? next++ : op == kRemove ? next - below(50) : below(n + 2) - 1;
        const int b = range ? below(50000) : below(n + 2) - 1;
        Apply(op, a, b, op == kInsertList ? below(2 * n + 2) : below(3), list, ref, source, sourceRef);
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
        if (round % 100 == 0) {
            EXPECT_EQ(Read(list, stripe), ref);
            ExpectWellFormed(list);
        }
    }

    std::atomic<bool> stop { false };
    std::atomic<int> foreign { 0 };
    std::vector<std::thread> readers;
    for (int stripe = 1; stripe < 6; ++stripe) {
        readers.emplace_back([&, stripe] {
            while (!stop) {
                for (int i = 0; i < list.Count(); ++i) {
                    void* item = list.GetStriped(i, stripe);
                    foreign += item != nullptr && (reinterpret_cast<std::uintptr_t>(item) & 1) == 0;
                }
            }
        });
    }
    for (int round = 0; round < 300; ++round)
        step(static_cast<Op>(below(kClear)));
    stop = true;
    for (auto& reader : readers)
        reader.join();
    EXPECT_EQ(foreign, 0);
    EXPECT_EQ(Read(list, 3), ref);
    ExpectWellFormed(list);
}
