// Wrappers of Lua values: the registry anchor that keeps a value alive until the wrapper ends,
// the readers of constructor tables with their conversions and defaults, traversal, and calls.
#include "script/luawrapper.h"

#include <map>
#include <string>

#include "script/lua/lauxlib.h"
#include "ui/luamessage.h"
#include "scriptfixture.h"

namespace {

// Counts the deletions of a message, which its userdata's collection triggers.
class CountedMessage : public TMessage {
 public:
  explicit CountedMessage(int* deletions) : TMessage(kGeneric, "counted"), mDeletions(deletions) {}
  ~CountedMessage() override { ++*mDeletions; }
  int* mDeletions;
};

class WrapperTest : public ScriptTest {
 protected:
  WrapperTest() : L(script.GetState()) {}
  // Wraps the value of a Lua expression (evaluated by a plain call: a function result must not
  // become the script's coroutine).
  template <class W = TLuaTable>
  std::unique_ptr<W> Wrap(const std::string& expression) {
    std::string text = "return " + expression;
    EXPECT_EQ(luaL_loadbuffer(L, text.data(), text.size(), text.c_str()), 0) << expression;
    EXPECT_EQ(lua_pcall(L, 0, 1, 0), 0) << expression;
    return std::make_unique<W>(L);
  }
  bool RegistryHas(const void* key) {
    lua_pushlightuserdata(L, const_cast<void*>(key));
    lua_gettable(L, LUA_REGISTRYINDEX);
    bool has = !lua_isnil(L, -1);
    lua_pop(L, 1);
    return has;
  }

  TScript script;
  lua_State* L;
};

}  // namespace

TEST_F(WrapperTest, KeepsItsValueAcrossCollectionsUntilDestroyed) {
  int deletions = 0;
  PushMessageUserdata(L, new CountedMessage(&deletions));
  auto wrapper = std::make_unique<TLuaObjectWrapper>(L);
  EXPECT_EQ(lua_gettop(L), 0);  // the value was taken off the stack
  lua_fullgc(L);
  lua_fullgc(L);
  EXPECT_EQ(deletions, 0);
  EXPECT_TRUE(RegistryHas(wrapper.get()));

  const void* key = wrapper.get();
  wrapper.reset();
  EXPECT_FALSE(RegistryHas(key));
  lua_fullgc(L);
  lua_fullgc(L);
  EXPECT_EQ(deletions, 1);  // collected once, deleted once
}

TEST_F(WrapperTest, FieldReadersConvertOrAnswerTheirDefaults) {
  auto t = Wrap("{num = 3, frac = 2.5, text = '12', word = 'abc', flag = true, tab = {}}");
  struct Case {
    const char* field;
    const char* asString;
    double asNumber;
  } cases[] = {
      {"num", "3", 3}, {"frac", "2.5", 2.5}, {"text", "12", 12},     {"word", "abc", 0},
      {"flag", "", 0}, {"tab", "", 0},       {"missing", "def", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    EXPECT_EQ(t->GetString(c.field, "def"), c.asString);
    EXPECT_EQ(t->GetNumber(c.field, -1), c.asNumber);
    EXPECT_EQ(lua_gettop(L), 0);
  }
  // The conversion reads a copy: the number in the table stays a number.
  ASSERT_TRUE(t->PushField("num"));
  EXPECT_EQ(lua_type(L, -1), LUA_TNUMBER);
  lua_pop(L, 1);
  EXPECT_FALSE(t->PushField("missing"));
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(WrapperTest, ValueQueries) {
  struct Case {
    const char* expression;
    bool isString, isTable;
    const char* text;
    double number;
  } cases[] = {
      {"5", true, false, "5", 5},     {"'7.5'", true, false, "7.5", 7.5},
      {"'x'", true, false, "x", 0},   {"{}", false, true, "", 0},
      {"nil", false, false, "", 0},   {"false", false, false, "", 0},
      {"L\"w\"", true, false, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    auto w = Wrap<TLuaObjectWrapper>(c.expression);
    EXPECT_EQ(w->IsString(), c.isString);
    EXPECT_EQ(w->IsTable(), c.isTable);
    EXPECT_EQ(w->ToString(), c.text);
    EXPECT_EQ(w->ToNumber(), c.number);
    w->PushValue();
    EXPECT_EQ(lua_gettop(L), 1);
    lua_pop(L, 1);
  }
}

TEST_F(WrapperTest, IndexReadersAndQuads) {
  auto t = Wrap("{'a', 2, {10, 20}, {1, 2, 3, 4, 5}, 'x'}");
  EXPECT_EQ(t->GetStringAt(1, "d"), "a");
  EXPECT_EQ(t->GetStringAt(2, "d"), "2");
  EXPECT_EQ(t->GetStringAt(9, "d"), "d");
  EXPECT_EQ(t->GetNumberAt(2, 0), 2);
  EXPECT_EQ(t->GetNumberAt(9, 7), 7);
  EXPECT_FALSE(t->GetTableAt(1));
  EXPECT_FALSE(t->GetTableAt(9));
  ASSERT_TRUE(t->GetTableAt(3));
  EXPECT_EQ(t->GetTableAt(3)->GetNumberAt(2, 0), 20);

  const TVec4 def(-1, -2, -3, -4);
  EXPECT_EQ(t->GetQuadAt(3, def), TVec4(10, 20, -3, -4));  // two numbers, two defaults
  EXPECT_EQ(t->GetQuadAt(4, def), TVec4(1, 2, 3, 4));
  EXPECT_EQ(t->GetQuadAt(5, def), def);  // not a table
  EXPECT_EQ(t->GetQuadAt(6, def), def);  // missing
  EXPECT_EQ(lua_gettop(L), 0);

  t->SetNumber("width", 640);
  EXPECT_EQ(t->GetNumber("width", 0), 640);
}

// A wrapper of something that is no table has no fields: every reader answers its default and
// nothing raises a Lua error inside native code.
TEST_F(WrapperTest, ReadersOfAMissingTableAnswerDefaults) {
  for (const char* expression : {"nil", "12", "'text'", "true", "print"}) {
    SCOPED_TRACE(expression);
    auto t = Wrap(expression);
    EXPECT_FALSE(t->PushField("x"));
    EXPECT_FALSE(t->PushIndex(1));
    EXPECT_EQ(t->GetString("x", "def"), "def");
    EXPECT_EQ(t->GetNumber("x", 4), 4);
    EXPECT_EQ(t->GetStringAt(1, "def"), "def");
    EXPECT_EQ(t->GetNumberAt(1, 5), 5);
    EXPECT_FALSE(t->GetTableAt(1));
    EXPECT_EQ(t->GetQuadAt(1, TVec4(1, 2, 3, 4)), TVec4(1, 2, 3, 4));
    t->SetNumber("x", 1);
    std::unique_ptr<TLuaObjectWrapper> key;
    EXPECT_FALSE(t->Next(key));
    EXPECT_EQ(lua_gettop(L), 0);
  }
}

TEST_F(WrapperTest, NextVisitsEveryEntryOnce) {
  auto t = Wrap("{10, 20, a = 'x', b = 'y'}");
  std::map<std::string, std::string> seen;
  std::unique_ptr<TLuaObjectWrapper> key;
  while (std::unique_ptr<TLuaObjectWrapper> value = t->Next(key)) {
    ASSERT_TRUE(key);
    EXPECT_TRUE(seen.emplace(key->ToString().CStr(), value->ToString().CStr()).second);
  }
  EXPECT_FALSE(key);
  EXPECT_EQ(seen,
            (std::map<std::string, std::string>{{"1", "10"}, {"2", "20"}, {"a", "x"}, {"b", "y"}}));
  EXPECT_EQ(lua_gettop(L), 0);

  // An empty table ends at once.
  auto empty = Wrap("{}");
  EXPECT_FALSE(empty->Next(key));
}

TEST_F(WrapperTest, FunctionCallReportsErrorsThroughAlert) {
  auto ok = Wrap<TLuaFunction>("function() called = (called or 0) + 1 return 'r' end");
  EXPECT_EQ(ok->Call(), 0);
  EXPECT_EQ(GlobalNumber(script, "called"), 1);
  EXPECT_EQ(lua_gettop(L), 0);

  auto bad = Wrap<TLuaFunction>("function() error('inside') end");
  EXPECT_NE(bad->Call(), 0);
  EXPECT_TRUE(Logged("Lua error: [string \"return function() error('inside') end\"]:1: inside"))
      << Log();
  EXPECT_EQ(lua_gettop(L), 0);

  auto notAFunction = Wrap<TLuaFunction>("{}");
  EXPECT_EQ(notAFunction->Call(), 0);
  EXPECT_EQ(lua_gettop(L), 0);
}

TEST_F(WrapperTest, TablesAttachedToTheScriptLiveUntilItsNextRun) {
  auto t = Wrap("{}");
  const void* key = t.get();
  EXPECT_TRUE(TLuaTable::AttachToScript(std::move(t)));
  EXPECT_EQ(script.GetOwnedWrapperCount(), 1u);
  EXPECT_TRUE(RegistryHas(key));
  Run(script, "x = 1");  // a run deletes the owned wrappers first
  EXPECT_EQ(script.GetOwnedWrapperCount(), 0u);
  EXPECT_FALSE(RegistryHas(key));

  // A state without a script cannot take it: it is released at once.
  lua_State* bare = lua_open();
  lua_newtable(bare);
  EXPECT_FALSE(TLuaTable::AttachToScript(std::make_unique<TLuaTable>(bare)));
  lua_close(bare);
}
