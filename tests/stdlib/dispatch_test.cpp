#include "nuko/dispatch.h"

#include <atomic>
#include <thread>

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include "nuko/qt_dispatch.h"
#include "qt_app.h"

using namespace std::chrono_literals;

TEST(CallQueue, CallsFromAnotherThreadRunOnTheOwner) {
    nuko::CallQueue queue;
    std::thread::id ran_on;
    std::thread worker([&] { queue.Post([&] { ran_on = std::this_thread::get_id(); }); });
    worker.join();
    EXPECT_EQ(queue.WaitAndRun(1s), 1u);
    EXPECT_EQ(ran_on, std::this_thread::get_id());
    EXPECT_TRUE(queue.empty());
}

TEST(CallQueue, CallsQueuedByACallRunInTheSameDrain) {
    nuko::CallQueue queue;
    std::vector<int> order;
    queue.Post([&] {
        order.push_back(1);
        queue.Post([&] { order.push_back(3); });
    });
    queue.Post([&] { order.push_back(2); });
    EXPECT_EQ(queue.RunPending(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(queue.WaitAndRun(1ms), 0u);
}

TEST(QtDispatcher, RunsOnTheEventLoopAndDropsCallsOfAGoneContext) {
    QApplication& app = nuko::test::QtApp();
    std::atomic<int> ran{0};
    auto* context = new QObject;
    nuko::QtDispatcher live(&app);
    nuko::QtDispatcher dead(context);
    std::thread worker([&] {
        live.Post([&] { ++ran; });
        dead.Post([&] { ran += 100; });
    });
    worker.join();
    delete context;
    EXPECT_EQ(ran, 0);  // nothing runs before the loop does
    QTimer::singleShot(50, &app, &QCoreApplication::quit);
    app.exec();
    EXPECT_EQ(ran, 1);
}
