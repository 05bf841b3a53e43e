// TAnimTask scheduling and the task list's run, with the bookkeeping that lets a running task
// change the list that runs it.
#include "core/task.h"

#include <utility>

#include "core/clock.h"
#include "core/timer.h"

namespace {
// a is at or after b on the wrapping 32-bit time line.
bool NotBefore(uint32_t a, uint32_t b) { return int32_t(a - b) >= 0; }
}  // namespace

TTask::~TTask() = default;

// ---- TAnimTask ----------------------------------------------------------------------------------

TAnimTask::TAnimTask(TClock* clock) : mClock(clock) { mTime = GetTime(); }

uint32_t TAnimTask::GetTime() const { return mClock ? mClock->GetTime() : GetFrameworkTimer(); }

bool TAnimTask::IsReady(int phase) {
  if (phase == kTaskPhaseDraw) return mDrawTask;
  return mScheduled && NotBefore(GetTime(), mTime);
}

bool TAnimTask::Run() {
  uint32_t now = GetTime();
  // A draw task may run before it is due or while unscheduled; both count as late, so it
  // restarts its schedule from now, like a task far behind.
  if (!mScheduled || now - mTime > 1000) {
    mTime = now;
    mScheduled = true;
  }
  bool goOn;
  do {
    mTime = mFromNow ? now + mPeriod : mTime + mPeriod;
    goOn = Animate();
    // Without a period the schedule cannot move past now: one step per turn.
  } while (goOn && mCatchUp && mPeriod != 0 && !NotBefore(mTime, now));
  return goOn;
}

void TAnimTask::SetTimer(uint32_t delay, bool repeat, bool fromNow, bool catchUp) {
  mFromNow = fromNow;
  mCatchUp = catchUp;
  uint32_t base = (fromNow || !mScheduled) ? GetTime() : mTime;
  mTime = base + delay;
  mScheduled = true;
  mPeriod = repeat ? delay : 0;
}

uint32_t TAnimTask::GetElapsed() const { return mScheduled ? GetTime() - mTime : kUnscheduled; }

void TAnimTask::Stop() {
  mScheduled = false;
  mDrawTask = false;
}

void TAnimTask::SetClock(TClock* clock) {
  uint32_t elapsed = GetElapsed();
  mClock = clock;
  if (mScheduled) mTime = GetTime() - elapsed;
}

// ---- TTaskList ----------------------------------------------------------------------------------

TTaskList::~TTaskList() {
  mRunDepth = 0;
  Clear();
}

TTaskList::Entries::iterator TTaskList::Find(const TTask* task) {
  for (auto it = mEntries.begin(); it != mEntries.end(); ++it)
    if (it->id == task) return it;
  return mEntries.end();
}

bool TTaskList::Contains(const TTask* task) const {
  for (const Entry& e : mEntries)
    if (e.id == task) return !e.removed && !e.doomed;
  return false;
}

bool TTaskList::IsEmpty() const {
  for (const Entry& e : mEntries)
    if (!e.removed && !e.doomed) return false;
  return true;
}

void TTaskList::Add(std::unique_ptr<TTask> task) {
  if (!task) return;
  auto it = Find(task.get());
  if (it == mEntries.end()) {
    TTask* id = task.get();
    mEntries.push_back(Entry{std::move(task), id});
    return;
  }
  // Already linked: either still ours (then the caller's pointer is the same one and we keep it),
  // or taken out earlier in this run and handed back now, which cancels the removal.
  if (it->removed) {
    it->task = std::move(task);
    it->removed = false;
  } else {
    (void)task.release();
  }
}

bool TTaskList::Remove(TTask* task) {
  auto it = Find(task);
  // A task cleared during this run is already the list's to delete; it cannot be handed back.
  if (it == mEntries.end() || it->removed || it->doomed) return false;
  (void)it->task.release();
  if (mRunDepth > 0)
    it->removed = true;
  else
    mEntries.erase(it);
  return true;
}

TTaskList::Entries::iterator TTaskList::Drop(Entries::iterator it) {
  // The task's destructor may add, remove or clear tasks of this list. While it runs the entry
  // stays linked but counts as removed, so nothing finds it, and the next entry is taken only
  // afterwards, so a task appended by the destructor is still reached in this pass.
  std::unique_ptr<TTask> task = std::move(it->task);
  it->removed = true;
  task.reset();
  return mEntries.erase(it);
}

void TTaskList::RunAll(int phase) {
  ++mRunDepth;
  for (auto it = mEntries.begin(); it != mEntries.end();) {
    Entry& e = *it;
    if (e.removed || e.doomed || e.running || !e.task->IsReady(phase)) {
      ++it;
      continue;
    }
    e.running = true;
    bool goOn = e.task->Run();
    // The entry is still linked: nothing unlinks an entry whose run is on the stack.
    e.running = false;
    // A task taken out during its own run belongs to the caller and is not deleted.
    if (goOn || e.removed)
      ++it;
    else
      it = Drop(it);
  }
  if (--mRunDepth == 0) ApplyPending();
}

void TTaskList::ApplyPending() {
  // Deleting a task may remove or clear others (its destructor runs here), so the pass counts as
  // a run and repeats until nothing is pending.
  ++mRunDepth;
  bool again = true;
  while (again) {
    again = false;
    for (auto it = mEntries.begin(); it != mEntries.end();) {
      if (it->removed) {
        it = mEntries.erase(it);
      } else if (it->doomed) {
        it = Drop(it);
        again = true;
      } else {
        ++it;
      }
    }
  }
  --mRunDepth;
}

void TTaskList::Clear() {
  if (mRunDepth > 0) {
    for (Entry& e : mEntries)
      if (!e.removed) e.doomed = true;
    return;
  }
  // Take everything out before deleting, so a destructor that touches this list finds it empty.
  Entries doomed;
  doomed.swap(mEntries);
  while (!doomed.empty()) {
    std::unique_ptr<TTask> task = std::move(doomed.front().task);
    doomed.pop_front();
    task.reset();
  }
}
