// Particle scripts that misbehave: bad indices, huge counts, missing functions, forged values.
// Each is loaded, stepped and drawn; the system must log what went wrong and stay sound (the
// sanitizers of the test build catch any stray memory access).
#include <gtest/gtest.h>

#include <string>

#include "particlefixture.h"

namespace {

struct Hostile {
  const char* what;
  const char* script;
  const char* logged;  // part of the log line expected, or null
};

const Hostile kScripts[] = {
    {"member index past its size", "SetNumParticles(4)\npScale:Init(pColor[7])\npColor[9]:Init(1)\n"
                                   "function Update() CreateParticles(4) end", nullptr},
    {"index from a particle value", "SetNumParticles(4)\npFrame:Anim(pColor[fAge() * 1000])\n"
                                    "function Update() CreateParticles(1) end", nullptr},
    {"forged negative base", "SetNumParticles(2)\npScale:Init(CreateValue('index', {-40, 1}))\n"
                             "pScale:Init(CreateValue('newindex', {-1, 1, 5}))\n"
                             "function Update() CreateParticles(1) end", nullptr},
    {"forged assignment size", "SetNumParticles(2)\n"
                               "CompileParameters({CreateValue('assign', {Color(1,2,3,4), 9, 200})})\n"
                               "AccumulateInitStream()\nfunction Update() CreateParticles(2) end",
     nullptr},
    {"assignment past the block", "SetNumParticles(2)\n"
                                  "CompileParameters({CreateValue('assign', {Color(1,2,3,4), 300, 4})})\n"
                                  "AccumulateAnimStream()\nfunction Update() CreateParticles(2) end",
     nullptr},
    {"member allocated after the particles", "SetNumParticles(3)\nRequireVelocity()\n"
                                             "pVelocity:Init(Vec2(5, 5))\n"
                                             "pPosition:Anim(pPosition + pVelocity)\n"
                                             "function Update() CreateParticles(3) end", nullptr},
    {"too wide a member", "m = Allocate(9)", "Allocate(9)"},
    {"empty member", "m = Allocate(0)", "Allocate(0)"},
    {"particle too large", "for i = 1, 70 do Allocate(4) end", "at most 255 floats"},
    {"huge particle count", "SetNumParticles(1e12)\nfunction Update() CreateParticles(5) end",
     "SetNumParticles"},
    {"negative particle count", "SetNumParticles(-5)\nfunction Update() CreateParticles(5) end",
     nullptr},
    {"particle count not a number", "SetNumParticles(0/0)\nfunction Update() CreateParticles(1) end",
     nullptr},
    {"unknown command", "SetNumParticles(2)\npScale:Init(CreateValue('nosuch', {1, 2}))\n"
                        "function Update() CreateParticles(1) end", "Type not found: nosuch"},
    {"quote in a command name", "x = CompileParam(CreateValue(\"x') error('injected') --\", {}))",
     "Type not found: x')"},
    {"too many arguments", "SetNumParticles(2)\npScale:Init(CreateValue('fVec', {n = 1e9}))",
     "Too many arguments"},
    {"arguments without a stack", "SetNumParticles(2)\n"
                                  "CompileParameters = function(list) return {} end\n"
                                  "pScale:Init(fRange(1, 2))\nfunction Update() CreateParticles(2) end",
     nullptr},
    {"compiler removed", "CompileParameters = nil\nx = CompileParam(fRange(1, 2))",
     "CompileParameters is not a function"},
    {"cyclic value", "local v = CreateValue('add', {})\nv.params[1] = v\nv.params[2] = v\n"
                     "x = CompileParam(v)", nullptr},
    {"update removed", "Update = nil", "no function Update"},
    {"update fails", "function Update() error('boom') end", "boom"},
    {"syntax error", "function Update(", "Lua error"},
    {"create missing", "SetNumParticles(2)\nfunction Update() Spawn(1) end", nullptr},
    {"bad texture", "SetTexture('nowhere.png')\nSetTexture(nil)", "no texture nowhere.png"},
    {"renderer options", "SetRendererOption1(kBlendMode, 0/0)\nSetRendererOption4('x', 1, 2, 3, 4)\n"
                         "SetBlendMode(1e300)", nullptr},
    {"many statements", "SetNumParticles(4)\nfor i = 1, 300 do pScale:Anim(pScale + 1) end\n"
                        "function Update() CreateParticles(4) end", nullptr},
    {"deep expression", "SetNumParticles(2)\nlocal v = pScale\nfor i = 1, 600 do v = v + 1 end\n"
                        "pScale:Anim(v)\nfunction Update() CreateParticles(1) end", nullptr},
    {"fade without durations", "SetNumParticles(2)\npColor:Anim(fFade(fAge()))\n"
                               "function Update() CreateParticles(1) end", nullptr},
};

TEST_F(ParticleTest, HostileScriptsLogAndNeverCrash) {
  for (const Hostile& h : kScripts) {
    SCOPED_TRACE(h.what);
    auto s = std::make_unique<TLuaParticleSystem>();
    EXPECT_TRUE(s->Load(h.script));
    for (int i = 0; i < 4; ++i) {
      s->Update(12);
      s->Render(TVec3(10, 10, 0));
    }
    EXPECT_LE(s->GetCollection().GetCount(), s->GetCollection().GetCapacity());
    if (h.logged) {
      EXPECT_TRUE(Logged(h.logged)) << Log();
    }
  }
}

TEST_F(ParticleTest, BadIndicesLeaveOtherMembersAndParticlesAlone) {
  auto s = Make(R"(
pMark = Allocate(1)
SetNumParticles(3)
pMark:Init(42)
pScale:Init(pColor[5])
pFrame:Init(7)
CompileParameters({CreateValue('assign', {Color(-1, -1, -1, -1), 9, 4})})
AccumulateAnimStream()
CompileParameters({CreateValue('newindex', {9, 2, -1})})
AccumulateAnimStream()
)");
  Run(*s, "CreateParticles(3)");
  s->Update(12);
  for (const auto& p : Particles(*s, 11)) {
    EXPECT_EQ(p[10], 42) << "the member after the frame is untouched";
    EXPECT_EQ(p[4], 1) << "the failing init ended the run before scale changed";
    EXPECT_EQ(p[9], -1) << "assignment wrote only the frame's one float";
  }
}

TEST_F(ParticleTest, MissingScriptsFailToLoad) {
  TLuaParticleSystem s;
  EXPECT_FALSE(s.Load("nothing/here.lua"));
  EXPECT_FALSE(s.Load(".lua"));
  EXPECT_TRUE(Logged("no particle script nothing/here.lua")) << Log();
  s.Update(12);
  EXPECT_EQ(s.Render(TVec3()), 0);
}

}  // namespace
