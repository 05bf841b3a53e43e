// Timed tasks (readiness, catch-up, resync, clock changes) and the task list's run with tasks that
// add, remove and clear tasks of the list that runs them.
#include "core/task.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/frozen_time.h"

namespace {

int32_t Signed(uint32_t v) { return int32_t(v); }

// Counts its steps and answers what the test says.
class StepTask : public TAnimTask {
 public:
  explicit StepTask(TClock* clock = nullptr) : TAnimTask(clock) {}
  bool Animate() override {
    ++steps;
    return steps < stopAfter;
  }
  int steps = 0;
  int stopAfter = 1 << 30;
};

// A plain task whose run and readiness are given as functions; logs its runs and its deletion.
class FnTask : public TTask {
 public:
  FnTask(std::string name, std::vector<std::string>* log, std::function<bool()> run = nullptr)
      : mName(std::move(name)), mLog(log), mRun(std::move(run)) {}
  ~FnTask() override { mLog->push_back("~" + mName); }
  bool IsReady(int phase) override { return phases & (1 << phase); }
  bool Run() override {
    mLog->push_back(mName);
    return mRun ? mRun() : true;
  }
  int phases = 1;  // phase 0 only

 private:
  std::string mName;
  std::vector<std::string>* mLog;
  std::function<bool()> mRun;
};

using Log = std::vector<std::string>;

}  // namespace

// ---- TAnimTask ----------------------------------------------------------------------------------

using AnimTaskTest = FrozenTime;
INSTANTIATE_TEST_SUITE_P(Starts, AnimTaskTest, TM_FROZEN_TIME_STARTS);

TEST_P(AnimTaskTest, ReadyOnceTheScheduledTimeComes) {
  StepTask t;
  EXPECT_TRUE(t.IsReady(kTaskPhaseIdle));  // scheduled at construction time
  t.SetTimer(100, false, true, false);
  EXPECT_FALSE(t.IsReady(kTaskPhaseIdle));
  EXPECT_EQ(Signed(t.GetElapsed()), -100);
  Advance(99);
  EXPECT_FALSE(t.IsReady(kTaskPhaseIdle));
  Advance(1);
  EXPECT_TRUE(t.IsReady(kTaskPhaseIdle));
  Advance(5000);
  EXPECT_TRUE(t.IsReady(kTaskPhaseIdle));
  EXPECT_EQ(t.GetElapsed(), 5000u);

  t.Stop();
  EXPECT_FALSE(t.IsReady(kTaskPhaseIdle));
  EXPECT_EQ(t.GetElapsed(), TAnimTask::kUnscheduled);
}

TEST_P(AnimTaskTest, DrawPhaseIgnoresTheSchedule) {
  StepTask t;
  t.SetTimer(500, false, true, false);
  EXPECT_FALSE(t.IsReady(kTaskPhaseDraw));
  t.SetDrawTask(true);
  EXPECT_TRUE(t.IsReady(kTaskPhaseDraw));  // not due, still drawn
  Advance(1000);
  t.SetDrawTask(false);
  EXPECT_FALSE(t.IsReady(kTaskPhaseDraw));  // due, but not a draw task
  t.SetDrawTask(true);
  t.Stop();
  EXPECT_FALSE(t.IsReady(kTaskPhaseDraw));  // stopping leaves the draw phase too
}

TEST_P(AnimTaskTest, LateRunsCatchUpOrResynchronise) {
  struct Case {
    const char* what;
    uint32_t period, late;
    bool fromNow, catchUp;
    int steps;
    int32_t elapsedAfter;  // negative: time until the next step
  };
  const Case cases[] = {
      {"on time", 100, 0, false, true, 1, -100},
      {"300 late catches up three steps", 100, 300, false, true, 3, 0},
      {"250 late stops at the first future step", 100, 250, false, true, 3, -50},
      {"without catch-up one step", 100, 300, false, false, 1, 200},
      {"1000 late still catches up", 100, 1000, false, true, 10, 0},
      {"1500 late is resynchronised", 100, 1500, false, true, 1, -100},
      {"from now: one step, next after a period", 100, 300, true, true, 1, -100},
      {"no period: one step even when catching up", 0, 300, false, true, 1, 300},
  };
  for (const Case& c : cases) {
    StepTask t;
    t.SetTimer(c.period, true, c.fromNow, c.catchUp);
    Advance(c.period + c.late);
    ASSERT_TRUE(t.IsReady(kTaskPhaseIdle)) << c.what;
    EXPECT_TRUE(t.Run()) << c.what;
    EXPECT_EQ(t.steps, c.steps) << c.what;
    EXPECT_EQ(Signed(t.GetElapsed()), c.elapsedAfter) << c.what;
  }
}

TEST_P(AnimTaskTest, CatchUpStopsWhenAnimateAnswersFalse) {
  StepTask t;
  t.stopAfter = 2;
  t.SetTimer(100, true, false, true);
  Advance(600);
  EXPECT_FALSE(t.Run());
  EXPECT_EQ(t.steps, 2);
}

TEST_P(AnimTaskTest, ScheduleFromTheLastTimeOrFromNow) {
  StepTask t;
  t.SetTimer(100, false, true, false);
  Advance(30);
  t.SetTimer(100, false, false, false);  // from the last scheduled time: due in 170
  EXPECT_EQ(Signed(t.GetElapsed()), -170);
  t.SetTimer(100, false, true, false);   // from now: due in 100
  EXPECT_EQ(Signed(t.GetElapsed()), -100);
  t.Stop();
  t.SetTimer(100, false, false, false);  // unscheduled: from now
  EXPECT_EQ(Signed(t.GetElapsed()), -100);
}

TEST_P(AnimTaskTest, OneShotStaysReadyUntilItFinishes) {
  StepTask t;
  t.stopAfter = 3;
  t.SetTimer(50, false, true, false);
  Advance(50);
  for (int turn = 1; turn <= 3; ++turn) {
    ASSERT_TRUE(t.IsReady(kTaskPhaseIdle)) << turn;
    EXPECT_EQ(t.Run(), turn < 3);
    Advance(16);
  }
}

TEST_P(AnimTaskTest, EveryTimeValueIsASchedule) {
  // A schedule that lands on 0xFFFFFFFF is still a schedule, not "stopped".
  StepTask t;
  t.SetTimer(0xFFFFFFFFu - t.GetTime(), false, true, false);
  EXPECT_TRUE(t.IsScheduled());
  Advance(0xFFFFFFFFu - t.GetTime());
  EXPECT_EQ(t.GetTime(), 0xFFFFFFFFu);
  EXPECT_TRUE(t.IsReady(kTaskPhaseIdle));
  EXPECT_EQ(t.GetElapsed(), 0u);
}

TEST_P(AnimTaskTest, ClockPausesAndClockChangesKeepTheRemainingDelay) {
  TClock a;
  a.Start();
  a.SetTime(5000);
  StepTask t(&a);
  t.SetTimer(300, false, true, false);
  Advance(100);
  a.Pause();
  Advance(10000);
  EXPECT_FALSE(t.IsReady(kTaskPhaseIdle));  // its clock stands still
  EXPECT_EQ(Signed(t.GetElapsed()), -200);

  TClock b;
  b.Start();
  t.SetClock(&b);
  EXPECT_EQ(t.GetClock(), &b);
  EXPECT_EQ(Signed(t.GetElapsed()), -200);
  Advance(199);
  EXPECT_FALSE(t.IsReady(kTaskPhaseIdle));
  Advance(1);
  EXPECT_TRUE(t.IsReady(kTaskPhaseIdle));

  t.SetClock(nullptr);  // the framework timer
  EXPECT_EQ(t.GetElapsed(), 0u);
  t.Stop();
  t.SetClock(&a);
  EXPECT_FALSE(t.IsScheduled());
}

TEST_P(AnimTaskTest, ADrawTaskRunBeforeItIsDueRestartsFromNow) {
  StepTask t;
  t.SetTimer(100, true, false, true);
  t.SetDrawTask(true);
  Advance(40);
  ASSERT_TRUE(t.IsReady(kTaskPhaseDraw));
  EXPECT_TRUE(t.Run());
  EXPECT_EQ(t.steps, 1);
  EXPECT_EQ(Signed(t.GetElapsed()), -100);
}

// ---- TTaskList ----------------------------------------------------------------------------------

TEST(TaskList, RunsReadyTasksInOrderAndDeletesFinishedOnes) {
  Log log;
  {
    TTaskList list;
    int bRuns = 0;
    list.Add(std::make_unique<FnTask>("a", &log));
    list.Add(std::make_unique<FnTask>("b", &log, [&] { return ++bRuns < 2; }));
    auto drawOnly = std::make_unique<FnTask>("d", &log);
    drawOnly->phases = 2;
    list.Add(std::move(drawOnly));
    list.Add(std::make_unique<FnTask>("c", &log));

    list.RunAll(kTaskPhaseIdle);
    EXPECT_EQ(log, (Log{"a", "b", "c"}));
    log.clear();
    list.RunAll(kTaskPhaseIdle);
    EXPECT_EQ(log, (Log{"a", "b", "~b", "c"}));
    log.clear();
    list.RunAll(kTaskPhaseDraw);
    EXPECT_EQ(log, (Log{"d"}));
    log.clear();
  }
  // The list's end deletes what is left.
  EXPECT_EQ(log, (Log{"~a", "~d", "~c"}));
}

TEST(TaskList, RemoveHandsTheTaskBack) {
  Log log;
  TTaskList list;
  auto owned = std::make_unique<FnTask>("a", &log);
  FnTask* a = owned.get();
  list.Add(std::move(owned));
  list.Add(std::make_unique<FnTask>("b", &log));

  EXPECT_TRUE(list.Remove(a));
  EXPECT_FALSE(list.Contains(a));
  EXPECT_FALSE(list.Remove(a));  // no longer in the list
  FnTask stranger("s", &log);
  EXPECT_FALSE(list.Remove(&stranger));
  EXPECT_FALSE(list.Remove(nullptr));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log, (Log{"b"}));

  list.Add(std::unique_ptr<TTask>(a));  // ours again, the list owns it once more
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log, (Log{"b", "b", "a"}));
}

TEST(TaskList, ATaskRemovingItselfIsNotDeletedAndIsUnlinkedAfterTheRun) {
  for (bool answer : {true, false}) {
    Log log;
    TTaskList list;
    std::unique_ptr<TTask> handedBack;
    FnTask* self = nullptr;
    auto t = std::make_unique<FnTask>("a", &log, [&] {
      EXPECT_TRUE(list.Remove(self));
      EXPECT_FALSE(list.Contains(self));
      handedBack.reset(self);  // the caller owns it again
      return answer;
    });
    self = t.get();
    list.Add(std::move(t));
    list.Add(std::make_unique<FnTask>("b", &log));
    list.RunAll(kTaskPhaseIdle);
    list.RunAll(kTaskPhaseIdle);
    EXPECT_EQ(log, (Log{"a", "b", "b"})) << answer;
    EXPECT_TRUE(handedBack);
  }
}

TEST(TaskList, ARemovedLaterTaskIsSkippedAndMayBeDeletedAtOnce) {
  Log log;
  TTaskList list;
  FnTask* b = nullptr;
  list.Add(std::make_unique<FnTask>("a", &log, [&] {
    if (b && list.Remove(b)) delete b;  // the list must not touch it again
    b = nullptr;
    return true;
  }));
  auto owned = std::make_unique<FnTask>("b", &log);
  b = owned.get();
  list.Add(std::move(owned));
  list.Add(std::make_unique<FnTask>("c", &log));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log, (Log{"a", "~b", "c"}));
}

TEST(TaskList, TasksAddedDuringARunRunInTheSamePass) {
  Log log;
  TTaskList list;
  bool spawned = false;
  list.Add(std::make_unique<FnTask>("a", &log, [&] {
    if (!spawned) list.Add(std::make_unique<FnTask>("new", &log));
    spawned = true;
    return true;
  }));
  list.RunAll(kTaskPhaseIdle);  // the adder is the last task
  EXPECT_EQ(log, (Log{"a", "new"}));
}

TEST(TaskList, ClearDuringARunDeletesEverythingAfterTheRun) {
  for (bool answer : {true, false}) {
    Log log;
    TTaskList list;
    list.Add(std::make_unique<FnTask>("a", &log));
    list.Add(std::make_unique<FnTask>("b", &log, [&] {
      list.Clear();
      EXPECT_TRUE(list.IsEmpty());
      log.push_back("cleared");
      return answer;
    }));
    list.Add(std::make_unique<FnTask>("c", &log));
    list.RunAll(kTaskPhaseIdle);
    // "c" is skipped; "b" is deleted once whether or not it finished.
    Log expect = answer ? Log{"a", "b", "cleared", "~a", "~b", "~c"}
                        : Log{"a", "b", "cleared", "~b", "~a", "~c"};
    EXPECT_EQ(log, expect) << answer;
    EXPECT_TRUE(list.IsEmpty());
  }
}

TEST(TaskList, RemoveAndClearInteractSafelyDuringARun) {
  Log log;
  TTaskList list;
  FnTask* b = nullptr;
  std::unique_ptr<TTask> bBack;
  list.Add(std::make_unique<FnTask>("a", &log, [&] {
    EXPECT_TRUE(list.Remove(b));
    bBack.reset(b);
    list.Clear();                  // must not delete b, which is ours now
    EXPECT_FALSE(list.Remove(b));  // nor hand out a cleared task
    return true;
  }));
  auto owned = std::make_unique<FnTask>("b", &log);
  b = owned.get();
  list.Add(std::move(owned));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log, (Log{"a", "~a"}));
  EXPECT_TRUE(list.IsEmpty());
}

TEST(TaskList, RemovedAndAddedAgainInTheSameRunStays) {
  Log log;
  TTaskList list;
  FnTask* b = nullptr;
  bool done = false;
  list.Add(std::make_unique<FnTask>("a", &log, [&] {
    if (!done && list.Remove(b)) list.Add(std::unique_ptr<TTask>(b));
    done = true;
    return true;
  }));
  auto owned = std::make_unique<FnTask>("b", &log);
  b = owned.get();
  list.Add(std::move(owned));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_TRUE(list.Contains(b));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log, (Log{"a", "b", "a", "b"}));
}

TEST(TaskList, ClearOutsideARunDeletesAtOnce) {
  Log log;
  TTaskList list;
  list.Add(std::make_unique<FnTask>("a", &log));
  list.Add(std::make_unique<FnTask>("b", &log));
  list.Clear();
  EXPECT_EQ(log, (Log{"~a", "~b"}));
  EXPECT_TRUE(list.IsEmpty());
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log.size(), 2u);
}

TEST(TaskList, ANestedRunSkipsTheRunningTask) {
  Log log;
  TTaskList list;
  int depth = 0;
  list.Add(std::make_unique<FnTask>("a", &log, [&] {
    if (++depth == 1) list.RunAll(kTaskPhaseIdle);
    --depth;
    return true;
  }));
  list.Add(std::make_unique<FnTask>("b", &log, [] { return false; }));
  list.Add(std::make_unique<FnTask>("c", &log));
  list.RunAll(kTaskPhaseIdle);
  // The nested run runs b (deleting it) and c; the outer run goes on after a with c.
  EXPECT_EQ(log, (Log{"a", "b", "~b", "c", "c"}));
}

TEST(TaskList, DeletingATaskMayChangeTheList) {
  // A finished task whose destructor queues a follow-up, the way a chained animation does.
  struct Chain : TTask {
    Chain(TTaskList* l, Log* g) : list(l), log(g) {}
    ~Chain() override { list->Add(std::make_unique<FnTask>("next", log)); }
    bool Run() override { return false; }
    TTaskList* list;
    Log* log;
  };
  Log log;
  TTaskList list;
  list.Add(std::make_unique<Chain>(&list, &log));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log, (Log{"next"}));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(log, (Log{"next", "next"}));
}

TEST(TaskList, AnimTasksRunWhenDue) {
  os::TestFreezeTime(0xFFFFFFF0u);
  TTaskList list;
  auto owned = std::make_unique<StepTask>();
  StepTask* t = owned.get();
  t->SetTimer(40, true, false, false);
  t->stopAfter = 2;
  list.Add(std::move(owned));
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(t->steps, 0);
  os::TestAdvanceTime(40);  // past the wrap
  list.RunAll(kTaskPhaseIdle);
  EXPECT_EQ(t->steps, 1);
  os::TestAdvanceTime(40);
  list.RunAll(kTaskPhaseIdle);  // second step answers false: deleted
  EXPECT_TRUE(list.IsEmpty());
  os::TestReleaseTime();
}
