// TBlockList against std::vector and std::deque of the same pointers, at
// 10^3 to 10^6 items:
//  - Add: append N items to an empty container;
//  - SequentialRead: read every item in order, TBlockList through one
//    stripe's position cache (GetStriped); with 2 threads each reads the
//    whole list through a stripe of its own;
//  - RandomRead: read at precomputed random indexes (TBlockList: Get);
//  - InsertMiddle: insert one item at the middle (the container is built
//    again, outside the timing, whenever it has doubled).
// Rates are items per second; compare a row with the std::deque row of the
// same size.
#include "video/BlockList.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <random>
#include <vector>

namespace {

using vantor::TBlockList;

void* Item(std::uintptr_t n)
{
    return reinterpret_cast<void*>(n * 2 + 1);
}

// The three containers behind one small interface of inline calls.
struct BlockListAdapter {
    TBlockList list { 4 };
    void Add(void* item) { list.Add(item); }
    void* Read(int index, int stripe) { return list.GetStriped(index, stripe); }
    void* RandomRead(int index) { return list.Get(index); }
    void InsertMiddle(void* item) { list.Insert(list.Count() / 2, item); }
    int Count() const { return list.Count(); }
};

template <typename Std> struct StdAdapter {
    Std items;
    void Add(void* item) { items.push_back(item); }
    void* Read(int index, int) { return items[index]; }
    void* RandomRead(int index) { return items[index]; }
    void InsertMiddle(void* item) { items.insert(items.begin() + items.size() / 2, item); }
    int Count() const { return static_cast<int>(items.size()); }
};
using VectorAdapter = StdAdapter<std::vector<void*>>;
using DequeAdapter = StdAdapter<std::deque<void*>>;

template <typename C> void Fill(C& c, int n)
{
    for (int i = 0; i < n; ++i)
        c.Add(Item(i));
}

template <typename C> void BM_Add(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        C c;
        Fill(c, n);
        benchmark::DoNotOptimize(c);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

template <typename C> void BM_SequentialRead(benchmark::State& state)
{
    static C* shared = nullptr;
    const int n = static_cast<int>(state.range(0));
    if (state.thread_index() == 0) {
        shared = new C;
        Fill(*shared, n);
    }
    // Every thread starts here only after thread 0 has set up (Google
    // Benchmark starts the timed loop of all threads together).
    C& c = *shared;
    const int stripe = state.thread_index();
    for (auto _ : state) {
        std::uintptr_t sum = 0;
        for (int i = 0; i < n; ++i)
            sum += reinterpret_cast<std::uintptr_t>(c.Read(i, stripe));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * n);
    if (state.thread_index() == 0) {
        delete shared;
        shared = nullptr;
    }
}

template <typename C> void BM_RandomRead(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    C c;
    Fill(c, n);
    std::mt19937 random(42);
    std::vector<int> indexes(4096);
    for (int& index : indexes)
        index = static_cast<int>(random() % n);
    for (auto _ : state) {
        std::uintptr_t sum = 0;
        for (int index : indexes)
            sum += reinterpret_cast<std::uintptr_t>(c.RandomRead(index));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * indexes.size());
}

template <typename C> void BM_InsertMiddle(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    auto c = std::make_unique<C>();
    Fill(*c, n);
    for (auto _ : state) {
        if (c->Count() >= 2 * n) {
            state.PauseTiming();
            c = std::make_unique<C>();
            Fill(*c, n);
            state.ResumeTiming();
        }
        c->InsertMiddle(Item(7));
    }
    state.SetItemsProcessed(state.iterations());
}

#define VANTOR_BENCH_ALL(bench, ...)                                                                         \
    BENCHMARK_TEMPLATE(bench, BlockListAdapter)->RangeMultiplier(10)->Range(1000, 1000000) __VA_ARGS__;      \
    BENCHMARK_TEMPLATE(bench, VectorAdapter)->RangeMultiplier(10)->Range(1000, 1000000) __VA_ARGS__;         \
    BENCHMARK_TEMPLATE(bench, DequeAdapter)->RangeMultiplier(10)->Range(1000, 1000000) __VA_ARGS__

VANTOR_BENCH_ALL(BM_Add);
VANTOR_BENCH_ALL(BM_SequentialRead, ->Threads(1)->Threads(2));
VANTOR_BENCH_ALL(BM_RandomRead);
VANTOR_BENCH_ALL(BM_InsertMiddle);

} // namespace

BENCHMARK_MAIN();
