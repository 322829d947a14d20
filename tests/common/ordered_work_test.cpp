#include "common/ordered_work.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quillon {
namespace {

// A batch as the steps below fill it.
struct Batch {
    std::size_t number = 0;
    std::size_t square = 0;
};

// Steps over numbered batches that record what happens, with failures chosen per step
// and per batch. The work on low batches takes longer, so that later batches finish
// first when several threads work.
class RecordedRun {
public:
    std::optional<std::size_t> loadFails, workFails, handOnFails;

    Status run(std::size_t batches, unsigned threads) {
        caller_ = std::this_thread::get_id();
        return runOrderedBatches<Batch>(
            batches, threads,
            [&](std::size_t number, Batch& batch) -> Status {
                expectCaller();
                loaded.push_back(number);
                if (number == loadFails) return failure("load", number);
                batch.number = number;
                maxHeld = std::max(maxHeld, loaded.size() - handedOn.size());
                return {};
            },
            [&](Batch& batch) -> Status {
                std::this_thread::sleep_for(std::chrono::microseconds(batch.number < 4 ? 2000 : 50));
                if (batch.number == workFails) return failure("work", batch.number);
                batch.square = batch.number * batch.number;
                return {};
            },
            [&](std::size_t number, Batch& batch) -> Status {
                expectCaller();
                EXPECT_EQ(batch.number, number);
                EXPECT_EQ(batch.square, number * number);
                handedOn.push_back(number);
                if (number == handOnFails) return failure("hand-on", number);
                return {};
            });
    }

    std::vector<std::size_t> loaded, handedOn;
    std::size_t maxHeld = 0;  // batches loaded and not yet handed on, at most

private:
    static Error failure(const std::string& step, std::size_t number) {
        return Error::format(step + " " + std::to_string(number));
    }
    void expectCaller() const { EXPECT_EQ(std::this_thread::get_id(), caller_); }

    std::thread::id caller_;
};

std::vector<std::size_t> upTo(std::size_t count) {
    std::vector<std::size_t> numbers(count);
    for (std::size_t i = 0; i < count; ++i) numbers[i] = i;
    return numbers;
}

class OrderedWorkTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(OrderedWorkTest, EveryBatchIsLoadedAndHandedOnInOrderOnTheCallingThread) {
    RecordedRun recorded;
    ASSERT_TRUE(recorded.run(40, GetParam()).ok());
    EXPECT_EQ(recorded.loaded, upTo(40));
    EXPECT_EQ(recorded.handedOn, upTo(40));
    EXPECT_LE(recorded.maxHeld, orderedSlots(GetParam()));
}

TEST_P(OrderedWorkTest, TheFirstFailureInTheOrderOfTheBatchesIsGivenBack) {
    const struct {
        std::optional<std::size_t> load, work, handOn;
        const char* error;
        std::size_t handedOn;  // batches handed on, the failing one's attempt included
    } cases[] = {
        {std::nullopt, 2, 9, "work 2", 2},  {std::nullopt, 9, 2, "hand-on 2", 3},
        {12, 3, std::nullopt, "work 3", 3}, {3, 12, std::nullopt, "load 3", 3},
        {5, std::nullopt, 5, "load 5", 5},  {0, std::nullopt, std::nullopt, "load 0", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.error);
        RecordedRun recorded;
        recorded.loadFails = c.load;
        recorded.workFails = c.work;
        recorded.handOnFails = c.handOn;
        const Status status = recorded.run(20, GetParam());
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().message, c.error);
        EXPECT_EQ(recorded.handedOn, upTo(c.handedOn));
    }
}

TEST_P(OrderedWorkTest, NoBatchesNoSteps) {
    RecordedRun recorded;
    EXPECT_TRUE(recorded.run(0, GetParam()).ok());
    EXPECT_TRUE(recorded.loaded.empty());
}

INSTANTIATE_TEST_SUITE_P(Threads, OrderedWorkTest, ::testing::Values(0u, 1u, 2u, 5u));

TEST(OrderedWorkTest, OneThreadHandsOnEachBatchBeforeLoadingTheNext) {
    EXPECT_EQ(orderedSlots(1), 1u);
    EXPECT_EQ(orderedSlots(3), 6u);
    RecordedRun recorded;
    ASSERT_TRUE(recorded.run(5, 1).ok());
    EXPECT_EQ(recorded.maxHeld, 1u);
    EXPECT_GE(processorCores(), 1u);
}

}  // namespace
}  // namespace quillon
