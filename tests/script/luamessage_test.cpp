// Messages crossing into Lua as userdata and coming back wrapped, with their type and name; the
// userdata's ownership of its message; and the refusal of values that are not messages.
#include "ui/luamessage.h"

#include "scriptfixture.h"

namespace {

class Counted : public TMessage {
 public:
  Counted(int32_t type, const char* name, int* deletions)
      : TMessage(type, name), mDeletions(deletions) {}
  ~Counted() override { ++*mDeletions; }
  int* mDeletions;
};

class MessageTest : public ScriptTest {
 protected:
  MessageTest() : L(script.GetState()) { OpenMessageLibrary(L); }
  void SetGlobalMessage(const char* name, TMessage* message) {
    lua_pushstring(L, name);
    PushMessageUserdata(L, message);
    lua_settable(L, LUA_GLOBALSINDEX);
  }
  void PushGlobal(const char* name) {
    lua_pushstring(L, name);
    lua_gettable(L, LUA_GLOBALSINDEX);
  }
  TScript script;
  lua_State* L;
};

}  // namespace

TEST_F(MessageTest, NativeMessageIsReadableInLua) {
  int deletions = 0;
  SetGlobalMessage("m", new Counted(kButtonPress, "ok", &deletions));
  Run(script, "t = m.type; n = m.name; other = m.target; isnil = (m.other == nil)");
  EXPECT_EQ(GlobalNumber(script, "t"), kButtonPress);
  EXPECT_EQ(GlobalString(script, "n"), "ok");
  EXPECT_EQ(GlobalString(script, "isnil"), "");  // booleans read as ""
  Run(script, "assert(m.other == nil and m.target == nil and m[1] == nil)");

  // The userdata owns its message: collecting it deletes the message once.
  Run(script, "m = nil");
  lua_fullgc(L);
  lua_fullgc(L);
  EXPECT_EQ(deletions, 1);
}

TEST_F(MessageTest, LuaMessageComesBackWrappedAndReturnsAsTheSameValue) {
  Run(script, "posted = CreateNamedMessage(kUser or 1001, 'hello')");
  PushGlobal("posted");
  auto wrapper = std::make_unique<TLuaMessageWrapper>(L);
  EXPECT_EQ(lua_gettop(L), 0);
  EXPECT_EQ(wrapper->GetType(), 1001);
  EXPECT_EQ(wrapper->GetName(), "hello");
  EXPECT_EQ(wrapper->GetTarget(), nullptr);
  EXPECT_STREQ(wrapper->GetClassName(), "TLuaMessageWrapper");
  EXPECT_TRUE(wrapper->IsKindOf(TMessage::ClassId()));
  TMessage* boxed = wrapper->GetLuaMessage().GetBoxedMessage();
  ASSERT_NE(boxed, nullptr);
  EXPECT_EQ(boxed->GetName(), "hello");

  // Handed back to the script, it is the very userdata the script posted.
  Run(script, "keep = posted; posted = nil");
  PushMessageForScript(L, wrapper.release());
  PushGlobal("keep");
  EXPECT_TRUE(lua_rawequal(L, -1, -2));
  lua_settop(L, 0);

  // A native message handed to the script becomes new message userdata.
  PushMessageForScript(L, new TMessage(kQuitNow, "bye"));
  lua_pushstring(L, "fresh");
  lua_insert(L, -2);
  lua_settable(L, LUA_GLOBALSINDEX);
  Run(script, "assert(fresh.type == 5 and fresh.name == 'bye')");
}

TEST_F(MessageTest, WrapperOfAValueWithoutMessageKeepsItsDefaults) {
  for (const char* expression : {"nil", "{type = 3, name = 'x'}", "'text'"}) {
    SCOPED_TRACE(expression);
    ASSERT_EQ(script.DoLuaString((std::string("return ") + expression).c_str(), -1, 1), 0);
    TLuaMessageWrapper wrapper(L);
    EXPECT_EQ(wrapper.GetType(), kGeneric);
    EXPECT_EQ(wrapper.GetName(), "");
    EXPECT_EQ(wrapper.GetLuaMessage().GetBoxedMessage(), nullptr);
  }
}

TEST_F(MessageTest, OnlyMessageUserdataAreTakenForMessages) {
  int local = 0;
  lua_pushnil(L);
  lua_pushboxedpointer(L, &local);  // a boxed pointer of something else
  *static_cast<void**>(lua_newuserdata(L, sizeof(void*))) = &local;  // plain userdata
  lua_pushlightuserdata(L, &local);
  lua_newtable(L);
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(ToBoxedPointer(L, i), nullptr) << i;
  EXPECT_EQ(lua_gettop(L), 5);
  lua_settop(L, 0);

  TMessage* message = new TMessage(kGeneric, "");
  PushMessageUserdata(L, message);
  EXPECT_EQ(ToBoxedPointer(L, -1), message);
  lua_settop(L, 0);
}

TEST_F(MessageTest, UserdataWithoutAMessageHasNoFieldsAndNothingToDelete) {
  lua_pushstring(L, "empty");
  PushMessageUserdata(L, nullptr);
  lua_settable(L, LUA_GLOBALSINDEX);
  Run(script, "a = empty.type; b = empty.name");
  EXPECT_EQ(GlobalString(script, "a"), "");
  Run(script, "empty = nil");
  lua_fullgc(L);
}
