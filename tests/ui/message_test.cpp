// Framework messages: the type values scripts and senders agree on, and the message's own class
// identity that listeners and routing test.
#include "ui/message.h"

#include <gtest/gtest.h>

#include <memory>

TEST(Message, TypeValuesAreTheOnesScriptsUse) {
  const struct {
    int32_t type;
    int32_t value;
  } cases[] = {{kGeneric, 0},         {kCloseWindow, 1},      {kDefaultAction, 2},
               {kButtonPress, 3},     {kPressAnyKey, 4},      {kQuitNow, 5},
               {kModalClosed, 6},     {kTextEditChanged, 7},  {kCommandOnly, 8},
               {kSliderValChanged, 9}, {kSliderMouseUp, 10},  {kSliderPageUp, 11},
               {kSliderPageDown, 12}, {kUserMessageBase, 1000}};
  for (const auto& c : cases) EXPECT_EQ(c.type, c.value);
}

namespace {
class Derived : public TMessage {
  TM_CLASS(Derived, TMessage)

 public:
  Derived(bool* destroyed) : TMessage(kUserMessageBase + 1, "derived"), mDestroyed(destroyed) {}
  ~Derived() override { *mDestroyed = true; }
  bool* mDestroyed;
};

class TakeButtons : public TMessageListener {
 public:
  bool OnMessage(TMessage& message) override { return message.GetType() == kButtonPress; }
};
}  // namespace

TEST(Message, CarriesTypeNameTargetAndItsIdentity) {
  TMessage m(kButtonPress, "ok");
  EXPECT_EQ(m.GetType(), kButtonPress);
  EXPECT_EQ(m.GetName(), "ok");
  EXPECT_EQ(m.GetTarget(), nullptr);
  EXPECT_STREQ(m.GetClassName(), "TMessage");
  EXPECT_TRUE(m.IsKindOf(TMessage::ClassId()));
  EXPECT_FALSE(m.IsKindOf(Derived::ClassId()));

  auto* fakeWindow = reinterpret_cast<TWindow*>(&m);
  m.SetTarget(fakeWindow);
  m.SetName("mouse:up");
  m.SetType(kPressAnyKey);
  EXPECT_EQ(m.GetTarget(), fakeWindow);
  EXPECT_EQ(m.GetName(), "mouse:up");
  EXPECT_EQ(m.GetType(), kPressAnyKey);
}

TEST(Message, DerivedMessagesAreDeletedThroughTheBaseAndCastBack) {
  bool destroyed = false;
  std::unique_ptr<TMessage> m = std::make_unique<Derived>(&destroyed);
  EXPECT_STREQ(m->GetClassName(), "Derived");
  EXPECT_TRUE(m->IsKindOf(TMessage::ClassId()));
  EXPECT_EQ(KindCast<Derived>(m.get()), static_cast<Derived*>(m.get()));
  TakeButtons listener;
  EXPECT_FALSE(listener.OnMessage(*m));
  m.reset();
  EXPECT_TRUE(destroyed);
}
