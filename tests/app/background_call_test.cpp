#include "app/background_call.h"

#include <QStringList>
#include <QtTest>
#include <chrono>
#include <future>
#include <mutex>

// The worker that database calls run on: the order of its calls, what
// becomes of one the user gave up on, and a call's cancel. Calls block on
// gates the test opens, so that no outcome depends on how fast anything runs.
namespace {

// Long enough never to be reached unless the worker is stuck.
constexpr auto stuck = std::chrono::seconds(60);

// What the calls did, in the order they did it, from any thread.
class Journal {
public:
    void write(const QString &entry)
    {
        std::lock_guard lock(mutex_);
        entries_ << entry;
    }
    QStringList entries() const
    {
        std::lock_guard lock(mutex_);
        return entries_;
    }

private:
    mutable std::mutex mutex_;
    QStringList entries_;
};

// A call that says it started and then waits until the test opens its gate.
struct GatedCall {
    std::promise<void> started;
    std::promise<void> gate;
    std::shared_future<void> open{gate.get_future().share()};
    std::promise<void> ended;

    background::Job job(Journal &journal, const QString &name)
    {
        return [this, &journal, name, open = open] {
            journal.write(name + QStringLiteral(" starts"));
            started.set_value();
            open.wait();
            journal.write(name + QStringLiteral(" ends"));
            ended.set_value();
        };
    }
    bool waitUntilStarted()
    {
        return started.get_future().wait_for(stuck) == std::future_status::ready;
    }
    void release()
    {
        if (!released_)
            gate.set_value();
        released_ = true;
    }

private:
    bool released_ = false;
};

// Opens a gate when a test ends early, so that the worker can be joined.
struct ReleaseOnExit {
    GatedCall &call;
    ~ReleaseOnExit() { call.release(); }
};

// Writes when it goes.
struct Released {
    Journal &journal;
    ~Released() { journal.write(QStringLiteral("released")); }
};

} // namespace

class BackgroundCallTest : public QObject {
    Q_OBJECT
private slots:
    // A call on the table's connection, given up while it runs, is
    // cancelled but keeps the connection until it ends: the next call waits.
    void aCallThatMustFinishFirstHoldsBackTheNext()
    {
        Journal journal;
        GatedCall write;
        background::Worker worker;
        ReleaseOnExit releaseWrite{write};
        const auto call = worker.post(write.job(journal, QStringLiteral("write")));
        QVERIFY(write.waitUntilStarted());
        worker.giveUp(call, background::WhenGivenUp::FinishFirst);
        QVERIFY(call->cancelled());
        // The table let go of meanwhile stays until the write is done with it.
        auto table = std::make_shared<Released>(journal);
        const std::weak_ptr<Released> watch = table;
        worker.releaseAfterWork(std::move(table));
        QVERIFY(!watch.expired());
        worker.post([&journal] { journal.write(QStringLiteral("next")); });
        write.release();
        worker.waitUntilIdle();
        QCOMPARE(journal.entries(), QStringList({"write starts", "write ends", "released", "next"}));
        QVERIFY(call->finished());
    }

    // A connect given up owns all it uses: the next call runs at once,
    // while the one left behind still waits.
    void aCallLeftBehindHoldsBackNothing()
    {
        Journal journal;
        GatedCall connect;
        std::promise<void> nextRan;
        {
            background::Worker worker;
            ReleaseOnExit releaseConnect{connect};
            const auto call = worker.post(connect.job(journal, QStringLiteral("connect")));
            QVERIFY(connect.waitUntilStarted());
            worker.giveUp(call, background::WhenGivenUp::LeaveBehind);
            worker.post([&] {
                journal.write(QStringLiteral("next"));
                nextRan.set_value();
            });
            const bool ran = nextRan.get_future().wait_for(stuck) == std::future_status::ready;
            connect.release();
            QVERIFY2(ran, "the next call waited for the one left behind");
            QVERIFY(call->cancelled());
            QVERIFY(connect.ended.get_future().wait_for(stuck) == std::future_status::ready);
        }
        QCOMPARE(journal.entries(), QStringList({"connect starts", "next", "connect ends"}));
    }

    // Calls run one at a time in the order given; one given up before its
    // turn never starts, and those after it still run.
    void aCallGivenUpBeforeItsTurnNeverStarts()
    {
        Journal journal;
        GatedCall first;
        background::Worker worker;
        ReleaseOnExit releaseFirst{first};
        worker.post(first.job(journal, QStringLiteral("first")));
        const auto second = worker.post([&journal] { journal.write(QStringLiteral("second")); });
        worker.post([&journal] { journal.write(QStringLiteral("third")); });
        QVERIFY(first.waitUntilStarted());
        for (const auto whenGivenUp : {background::WhenGivenUp::LeaveBehind, background::WhenGivenUp::FinishFirst})
            worker.giveUp(second, whenGivenUp);
        first.release();
        worker.waitUntilIdle();
        QCOMPARE(journal.entries(), QStringList({"first starts", "first ends", "third"}));
        QVERIFY(second->finished());
    }

    // Cancelling a running call runs its canceller (the statement's
    // SQLCancel); past the point of no return a cancel no longer counts.
    void cancellingReachesTheRunningStatementUntilTheCommit()
    {
        std::promise<void> cancelled;
        std::promise<void> inScope;
        std::promise<bool> afterCancel;
        std::promise<void> pastPoint;
        GatedCall commitGate;
        bool sawCancel = true;
        background::Worker worker;
        ReleaseOnExit releaseCommit{commitGate};
        const auto call = worker.post([&] {
            background::CancelScope scope([&] { cancelled.set_value(); });
            inScope.set_value();
            // The statement runs until its cancel arrives.
            const bool arrived = cancelled.get_future().wait_for(stuck) == std::future_status::ready;
            afterCancel.set_value(arrived && !background::currentCall()->passPointOfNoReturn());
        });
        QVERIFY(inScope.get_future().wait_for(stuck) == std::future_status::ready);
        QVERIFY(call->cancel());
        auto result = afterCancel.get_future();
        QVERIFY(result.wait_for(stuck) == std::future_status::ready);
        QVERIFY2(result.get(), "the canceller did not run, or the call went past its point of no return");
        worker.waitUntilIdle();

        // Once the commit is under way, the user's cancel must wait for it.
        const auto commit = worker.post([&, open = commitGate.open] {
            background::CancelScope scope([] {});
            const bool passed = background::currentCall()->passPointOfNoReturn();
            pastPoint.set_value();
            open.wait();
            sawCancel = !passed || background::currentCall()->cancelled();
        });
        QVERIFY(pastPoint.get_future().wait_for(stuck) == std::future_status::ready);
        QVERIFY(!commit->cancel());
        commitGate.release();
        worker.waitUntilIdle();
        QVERIFY(!sawCancel);
    }

    // A call cancelled before it reaches its statement does not start it,
    // and the window's side gets the failure, not a result.
    void aCancelBeforeTheStatementIsCarriedBack()
    {
        Journal journal;
        GatedCall call;
        auto outcome = std::make_shared<background::Outcome<int>>();
        background::Worker worker;
        ReleaseOnExit releaseCall{call};
        const auto control = worker.post([&, outcome] {
            call.job(journal, QStringLiteral("call"))();
            auto statement = [] {
                background::CancelScope scope([] {});
                return 42;
            };
            outcome->run(statement);
        });
        QVERIFY(call.waitUntilStarted());
        QVERIFY(control->cancel());
        call.release();
        worker.waitUntilIdle();
        QVERIFY_THROWS_EXCEPTION(background::Cancelled, outcome->take());

        background::Outcome<int> answered;
        auto answer = [] { return 42; };
        answered.run(answer);
        QCOMPARE(answered.take(), 42);
    }

    // The table's snapshot outlives the calls given before it was let go.
    void whatIsReleasedWaitsForTheCallsGivenBefore()
    {
        Journal journal;
        GatedCall write;
        background::Worker worker;
        ReleaseOnExit releaseWrite{write};
        worker.post(write.job(journal, QStringLiteral("write")));
        QVERIFY(write.waitUntilStarted());
        auto snapshot = std::make_shared<Released>(journal);
        const std::weak_ptr<Released> watch = snapshot;
        worker.releaseAfterWork(std::move(snapshot));
        QVERIFY(!watch.expired());
        write.release();
        worker.waitUntilIdle();
        QVERIFY(watch.expired());
        QCOMPARE(journal.entries(), QStringList({"write starts", "write ends", "released"}));

        // With nothing running it goes at once.
        auto idle = std::make_shared<int>(2);
        const std::weak_ptr<int> idleWatch = idle;
        worker.releaseAfterWork(std::move(idle));
        QVERIFY(idleWatch.expired());
    }
};

QTEST_GUILESS_MAIN(BackgroundCallTest)
#include "background_call_test.moc"
