// Tasks: the units of work that run over time (window animations, script coroutines, particle and
// sprite animations). A task list owns its tasks and runs them in a phase: 0 on idle turns of the
// event pump, 1 while a frame is drawn. A TAnimTask schedules its steps on a TClock or on the
// framework timer.
#pragma once
#include <cstdint>
#include <list>
#include <memory>

class TClock;

constexpr int kTaskPhaseIdle = 0;
constexpr int kTaskPhaseDraw = 1;

class TTask {
 public:
  virtual ~TTask();
  // Whether the task runs in this phase; every phase by default.
  virtual bool IsReady(int phase) { return true; }
  // One turn of work; false means the task is finished and its list deletes it.
  virtual bool Run() = 0;
};

class TAnimTask : public TTask {
 public:
  // Schedules the task at the current time of the clock (null: the framework timer).
  explicit TAnimTask(TClock* clock = nullptr);

  // Phase 1: whether this is a draw task. Other phases: whether the scheduled time has come.
  bool IsReady(int phase) override;
  // Advances the schedule and calls Animate, several times when the task catches up. A task more
  // than 1000 ms late is resynchronised to now instead of catching up.
  bool Run() override;
  // One step of the task's work; false when the task is finished.
  virtual bool Animate() = 0;

  // The current time of the task's clock, or of the framework timer.
  uint32_t GetTime() const;
  // Schedules the next step delay ms after now (fromNow) or after the last scheduled time; with
  // repeat the task keeps that period; with catchUp a late task runs the missed steps at once.
  void SetTimer(uint32_t delay, bool repeat, bool fromNow, bool catchUp);
  // Time since the scheduled time (negative, as unsigned, while not yet due); kUnscheduled when the
  // task is stopped.
  uint32_t GetElapsed() const;
  // Unschedules the task and takes it out of the draw phase.
  void Stop();
  // Moves the task to another clock (null: the framework timer), keeping its elapsed time.
  void SetClock(TClock* clock);
  void SetDrawTask(bool draw) { mDrawTask = draw; }

  bool IsScheduled() const { return mScheduled; }
  TClock* GetClock() const { return mClock; }

  static constexpr uint32_t kUnscheduled = 0xFFFFFFFFu;

 private:
  bool mDrawTask = false;
  // Kept apart from the scheduled time so that every 32-bit time, 0xFFFFFFFF included, can be a
  // schedule.
  bool mScheduled = true;
  uint32_t mTime = 0;    // scheduled time on the task's clock
  uint32_t mPeriod = 0;  // 0: one-shot
  bool mFromNow = false;
  bool mCatchUp = false;
  TClock* mClock = nullptr;
};

class TTaskList {
 public:
  TTaskList() = default;
  ~TTaskList();
  TTaskList(const TTaskList&) = delete;
  TTaskList& operator=(const TTaskList&) = delete;

  // Appends the task; the list owns it from now on. A task already in the list stays where it is.
  void Add(std::unique_ptr<TTask> task);
  // Takes the task out of the list without deleting it: on true the caller owns it again. During a
  // run it is skipped from now on and unlinked when the run ends; the list never touches it again,
  // so the caller may delete it at once. False when the task is not in the list.
  bool Remove(TTask* task);
  // Runs every task ready in the phase, in list order, deleting those whose run answers false.
  // Tasks may add, remove or clear tasks of this list (or run it again) from their run.
  void RunAll(int phase);
  // Deletes every task; during a run the deletion waits until the run ends.
  void Clear();

  bool IsEmpty() const;
  bool Contains(const TTask* task) const;

 private:
  struct Entry {
    std::unique_ptr<TTask> task;  // empty once removed: the caller owns it again
    TTask* id;                    // the task's address, for finding it after removal
    bool removed = false;         // taken out during a run; unlinked when the run ends
    bool doomed = false;          // cleared during a run; deleted when the run ends
    bool running = false;         // its Run is on the stack (a nested run skips it)
  };
  using Entries = std::list<Entry>;

  Entries::iterator Find(const TTask* task);
  // Unlinks the entry and deletes its task, if the list still owns one.
  Entries::iterator Drop(Entries::iterator it);
  void ApplyPending();

  Entries mEntries;
  int mRunDepth = 0;
};
