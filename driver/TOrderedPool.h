#ifndef KORVEL_DRIVER_TORDEREDPOOL_H
#define KORVEL_DRIVER_TORDEREDPOOL_H

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs Produce(i) for i = 0 .. count - 1 on `jobs` threads and hands every
// result to Consume(i, result) on the calling thread, strictly in order of i.
// At most `lookahead` results are made ahead of the one being consumed.
//
// Consume receives a pointer to the result, or null when Produce(i) threw;
// Run then rethrows that exception on the calling thread. Once anything has
// failed, no further work is started, the threads are joined, and results
// made ahead are released unconsumed. With one job everything runs on the
// calling thread.
template <class TResult>
class TOrderedPool {
public:
    using TProduce = std::function<TResult(long long)>;
    using TConsume = std::function<void(long long, TResult*)>;

    static void Run(long long count, int jobs, long long lookahead, const TProduce& produce, const TConsume& consume) {
        if (jobs <= 1 || count <= 1) {
            for (long long i = 0; i < count; ++i) {
                TResult result;
                std::exception_ptr failure;
                try {
                    result = produce(i);
                } catch (...) {
                    failure = std::current_exception();
                }
                consume(i, failure ? nullptr : &result);
                if (failure) std::rethrow_exception(failure);
            }
            return;
        }
        if (count < jobs) jobs = static_cast<int>(count);  // no thread without work
        if (lookahead > count) lookahead = count;
        TOrderedPool pool(count, jobs, lookahead < jobs ? jobs : lookahead, produce);
        pool.Drain(consume);
    }

private:
    struct TSlot {
        long long MbrLngIndex = -1;
        bool MbrBolReady = false;
        TResult MbrResult{};
        std::exception_ptr MbrFailure;
    };

    TOrderedPool(long long count, int jobs, long long lookahead, const TProduce& produce)
        : MbrLngCount(count), MbrLngLookahead(lookahead), MbrProduce(produce),
          MbrVecSlots(static_cast<size_t>(lookahead)) {
        try {
            for (int t = 0; t < jobs; ++t) MbrVecThreads.emplace_back([this] { Work(); });
        } catch (...) {
            Stop();
            throw;
        }
    }

    ~TOrderedPool() { Stop(); }

    void Stop() {
        {
            std::lock_guard<std::mutex> guard(MbrMutex);
            MbrBolStop = true;
        }
        MbrSpace.notify_all();
        for (std::thread& thread : MbrVecThreads)
            if (thread.joinable()) thread.join();
        MbrVecThreads.clear();
    }

    void Work() {
        for (;;) {
            long long i;
            {
                std::unique_lock<std::mutex> lock(MbrMutex);
                MbrSpace.wait(lock, [this] {
                    return MbrBolStop || MbrLngNext >= MbrLngCount || MbrLngNext < MbrLngConsumed + MbrLngLookahead;
                });
                if (MbrBolStop || MbrLngNext >= MbrLngCount) return;
                i = MbrLngNext++;
            }
            TResult result{};
            std::exception_ptr failure;
            try {
                result = MbrProduce(i);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> guard(MbrMutex);
                TSlot& slot = MbrVecSlots[static_cast<size_t>(i % MbrLngLookahead)];
                slot.MbrLngIndex = i;
                slot.MbrResult = std::move(result);
                slot.MbrFailure = failure;
                slot.MbrBolReady = true;
                if (failure && i + 1 < MbrLngCount) MbrLngCount = i + 1;  // nothing after a failure is needed
            }
            MbrReady.notify_all();
        }
    }

    void Drain(const TConsume& consume) {
        for (long long i = 0;; ++i) {
            TResult result{};
            std::exception_ptr failure;
            {
                std::unique_lock<std::mutex> lock(MbrMutex);
                if (i >= MbrLngCount) return;
                TSlot& slot = MbrVecSlots[static_cast<size_t>(i % MbrLngLookahead)];
                MbrReady.wait(lock, [&] { return slot.MbrBolReady && slot.MbrLngIndex == i; });
                result = std::move(slot.MbrResult);
                failure = slot.MbrFailure;
                slot = TSlot();
                MbrLngConsumed = i + 1;
            }
            MbrSpace.notify_all();
            if (failure) {
                Stop();
                consume(i, nullptr);
                std::rethrow_exception(failure);
            }
            consume(i, &result);
        }
    }

    long long MbrLngCount;
    const long long MbrLngLookahead;
    const TProduce& MbrProduce;
    std::vector<TSlot> MbrVecSlots;
    std::vector<std::thread> MbrVecThreads;
    std::mutex MbrMutex;
    std::condition_variable MbrSpace;
    std::condition_variable MbrReady;
    long long MbrLngNext = 0;
    long long MbrLngConsumed = 0;
    bool MbrBolStop = false;
};

#endif
