// Bolt-lock play: sliding bolts, dragging and (un)locking others, locked bolts refusing, the
// checks on moved-bolt lists, reset, and a half-done lock saved and loaded again.
#include "minigamefixture.h"

namespace {

// Bolt 0 drags bolt 1; bolt 1 locks and unlocks bolts 2 and 3; bolt 2 drags 3; bolt 3 is locked.
const char kLock[] = R"(
MakeUnlockingDoorsMiniGame { seqId = 1, stdLocked = "false", stdUp = "false", stdGraphic = "bolt",
  MakeUnlockingDoorsBolt { movesOthers = "true", {1} },
  MakeUnlockingDoorsBolt { movesOthers = "false", {2, 3} },
  MakeUnlockingDoorsBolt { movesOthers = "true", {3} },
  MakeUnlockingDoorsBolt { movesOthers = "true", locked = "true", {} } }
)";

// "u"/"d" per bolt, capitals for locked ones.
std::string State(const CLock& lock) {
  std::string s;
  for (const auto& b : lock.GetBolts()) s += b->locked ? (b->up ? 'U' : 'D') : (b->up ? 'u' : 'd');
  return s;
}

}  // namespace

using LockTest = MiniGameTest;

TEST_F(LockTest, MovesAndTheirResults) {
  auto* lock = Load<CLock>(kLock);
  ASSERT_EQ(State(*lock), "dddD");
  struct Move {
    int32_t bolt;
    bool moves;
    const char* after;
  };
  const Move moves[] = {
      {3, false, "dddD"},  // locked: refused, nothing changes
      {1, true, "duDd"},   // slides; locks 2, unlocks 3
      {2, false, "duDd"},  // now locked
      {0, true, "udDd"},   // drags 1 back down (one level: 1 does not lock 2 and 3 again)
      {1, true, "uudD"},   // slides up; 2 unlocked, 3 locked again
      {2, true, "uuuD"},   // drags 3, which is locked and stays
      {9, false, "uuuD"},  // no such bolt
      {-1, false, "uuuD"},
  };
  for (const Move& m : moves) {
    EXPECT_EQ(lock->ToggleBolt(m.bolt), m.moves) << m.bolt;
    EXPECT_EQ(State(*lock), m.after) << m.bolt;
  }
  EXPECT_FALSE(lock->AreAllBoltsUp());
  EXPECT_FALSE(lock->AllBoltsMoveOthers());
}

TEST_F(LockTest, PlaysToAWinAndResets) {
  auto* lock = Load<CLock>(kLock);
  for (int32_t bolt : {1, 2, 0, 3}) {
    EXPECT_FALSE(lock->AreAllBoltsUp());
    lock->ToggleBolt(bolt);
  }
  // 1: duDd; 2 refused; 0 drags 1 down: udDd; 3 up: udDu.
  EXPECT_EQ(State(*lock), "udDu");
  lock->ToggleBolt(1);  // up again: frees 2, locks 3 (up)
  lock->ToggleBolt(2);  // up, drags locked 3 nowhere
  EXPECT_EQ(State(*lock), "uuuU");
  EXPECT_TRUE(lock->AreAllBoltsUp());

  lock->ResetBolts(false);
  EXPECT_FALSE(lock->AreAllBoltsUp());
  lock->ResetBolts(true);  // what the window's ResetPosition(true) does
  EXPECT_EQ(State(*lock), "uuuu");
  EXPECT_TRUE(lock->AreAllBoltsUp());
}

TEST_F(LockTest, UnusableMovedListsAreDroppedWhole) {
  struct Case {
    const char* list;
    bool kept;
  };
  const Case cases[] = {
      {"{1, 2}", true},
      {"{1, 1}", false},     // a bolt twice
      {"{1, 3}", false},     // beyond the last bolt
      {"{-1}", false},
      {"{0, 1, 2}", false},  // as many as there are bolts
      {"{0}", true},         // itself is allowed
  };
  for (const Case& c : cases) {
    auto* lock = Load<CLock>(std::string("MakeUnlockingDoorsMiniGame { seqId = 1, stdMovesOthers = \"true\",\n"
                                         "  MakeUnlockingDoorsBolt { movesOthers = \"false\", locked = \"true\", ") +
                             c.list + " },\n  MakeUnlockingDoorsBolt { }, MakeUnlockingDoorsBolt { } }");
    const CLockingBolt& first = *lock->GetBolts()[0];
    EXPECT_EQ(!first.movedIndices.empty(), c.kept) << c.list;
    // A dropped list takes the bolt's own flags with it: it keeps the lock's std ones.
    EXPECT_EQ(first.movesOthers, !c.kept) << c.list;
    EXPECT_EQ(first.locked, c.kept) << c.list;
  }
  EXPECT_TRUE(Logged("unusable list of moved bolts"));
}

TEST_F(LockTest, MovedListsLongerThanTheTableAreCut) {
  std::string bolts, list;
  for (int i = 0; i < 40; ++i) {
    bolts += "MakeUnlockingDoorsBolt { },\n";
    if (i > 0) list += std::to_string(i) + ", ";
  }
  auto* lock = Load<CLock>("MakeUnlockingDoorsMiniGame { seqId = 1,\n MakeUnlockingDoorsBolt { {" + list +
                           "} },\n" + bolts + "}");
  ASSERT_EQ(lock->GetBolts().size(), 41u);
  EXPECT_EQ(lock->GetBolts()[0]->movedIndices.size(), CLock::kMaxMovedBolts);
  EXPECT_EQ(lock->GetBolts()[0]->movedIndices.back(), 30);
  EXPECT_TRUE(Logged("only the first 30 are used"));
  EXPECT_TRUE(lock->ToggleBolt(0));
}

TEST_F(LockTest, AHalfDoneLockReloadsAsItStood) {
  auto* lock = Load<CLock>(kLock);
  lock->ToggleBolt(1);
  ASSERT_EQ(State(*lock), "duDd");
  lock = Reload<CLock>();
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(State(*lock), "duDd");
  EXPECT_EQ(lock->GetBolts()[1]->movedIndices, (std::vector<int32_t>{2, 3}));
  // Play goes on from there to the win.
  for (int32_t bolt : {0, 3, 1, 2}) lock->ToggleBolt(bolt);
  EXPECT_TRUE(lock->AreAllBoltsUp());
}
