// The pieces every lifecycle rests on: the finisher, the lifecycle turn and owned threads.
#include <errno.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "bounded_queue.h"
#include "callback_scope.h"
#include "finisher.h"
#include "lifecycle_turn.h"
#include "wait_until.h"
#include "worker_thread.h"

namespace {

TEST(BuildingBlocks, FinisherRunsJobsInOrderAndForgetDropsAnOwnersQueuedJobs) {
    Finisher &finisher = Finisher::instance();
    std::vector<int> ran;
    std::atomic<bool> release{false};
    int owner = 0, other = 0;
    // The first job holds the thread, so that the next ones wait in the queue.
    finisher.hand_over(&other, [&] {
        while (!release)
            std::this_thread::yield();
        ran.push_back(1);
    });
    finisher.hand_over(&owner, [&] { ran.push_back(2); });
    finisher.hand_over(&other, [&] { ran.push_back(3); });
    finisher.forget(&owner);
    release = true;
    finisher.drain();
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));

    // forget waits for the owner's running job, but not from inside it.
    std::atomic<bool> inside{false}, done{false};
    finisher.hand_over(&owner, [&] {
        inside = true;
        finisher.forget(&owner);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        done = true;
    });
    ASSERT_TRUE(wait_until([&] { return inside.load(); }, 2000));
    finisher.forget(&owner);
    EXPECT_TRUE(done);
}

TEST(BuildingBlocks, FinisherStartsAgainAfterShutDown) {
    Finisher &finisher = Finisher::instance();
    std::atomic<int> runs{0};
    finisher.hand_over(nullptr, [&] { runs++; });
    finisher.shut_down();
    EXPECT_EQ(runs, 1);
    finisher.hand_over(nullptr, [&] { runs++; });
    finisher.drain();
    EXPECT_EQ(runs, 2);
}

TEST(BuildingBlocks, LifecycleTurnServesOneThreadAtATimeAndLetsItTakeTheTurnAgain) {
    LifecycleTurn turn;
    std::atomic<int> inside{0};
    int most = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; i++) {
                LifecycleTurn::Hold hold(turn);
                LifecycleTurn::Hold again(turn);
                const int now = ++inside;
                most = std::max(most, now);
                inside--;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(most, 1);
}

void *report_scope(void *out) {
    *static_cast<bool *>(out) = in_callback();
    return nullptr;
}

struct SelfJoin {
    WorkerThread thread;
    std::atomic<bool> started{false};
    std::atomic<int> result{0};
};

void *join_self(void *arg) {
    SelfJoin *self = static_cast<SelfJoin *>(arg);
    while (!self->started)
        std::this_thread::yield();
    self->result = self->thread.join();
    return nullptr;
}

TEST(BuildingBlocks, WorkerThreadsRunAsEngineWorkAndNeverJoinThemselves) {
    EXPECT_FALSE(in_callback());
    bool inScope = false;
    WorkerThread worker;
    EXPECT_EQ(worker.join(), -1);
    ASSERT_EQ(worker.start(report_scope, &inScope), 0);
    EXPECT_EQ(worker.join(), 0);
    EXPECT_TRUE(inScope);
    EXPECT_EQ(worker.join(), -1);

    SelfJoin self;
    ASSERT_EQ(self.thread.start(join_self, &self), 0);
    self.started = true;
    ASSERT_TRUE(wait_until([&] { return self.result != 0; }, 2000));
    EXPECT_EQ(self.thread.join(), 0);
    EXPECT_EQ(self.result, EDEADLK);
}

TEST(BuildingBlocks, BoundedQueuesHandBackWhatDoesNotFitAndCloseTheirConsumerOut) {
    int a = 1, b = 2, c = 3;
    BoundedQueue<int *> refusing(2, WhenFull::refuseNewest);
    EXPECT_EQ(refusing.put(&a), &a);  // closed: nothing is taken
    refusing.open();
    EXPECT_EQ(refusing.put(&a), nullptr);
    EXPECT_EQ(refusing.put(&b), nullptr);
    EXPECT_EQ(refusing.put(&c), &c);
    EXPECT_EQ(refusing.take(), &a);
    EXPECT_EQ(refusing.dropped(), 1);

    BoundedQueue<int *> dropping(2, WhenFull::dropOldest);
    dropping.open();
    dropping.put(&a);
    dropping.put(&b);
    EXPECT_EQ(dropping.put(&c), &a);
    EXPECT_EQ(dropping.take_all(), (std::vector<int *>{&b, &c}));

    // A consumer waiting on an empty queue leaves with nothing once the queue closes.
    std::atomic<bool> left{false};
    std::thread consumer([&] {
        EXPECT_EQ(dropping.take(), nullptr);
        left = true;
    });
    dropping.close();
    consumer.join();
    EXPECT_TRUE(left);
}

}  // namespace
