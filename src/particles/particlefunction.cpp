// The particle functors and the value stack they work on. Indices that reach particle memory come
// from script values at run time, so each is checked against the member it names and the block.
#include "particles/particlefunction.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/log.h"
#include "core/random.h"
#include "particles/luaparticlesystem.h"

namespace {

// A float that must name a whole index: false for NaN, infinities and values beyond 32 bits.
bool ToIndex(float f, int32_t* out) {
  if (!(f > -2147483648.0f && f < 2147483648.0f)) return false;
  *out = static_cast<int32_t>(f);
  return true;
}

// The functor named by a parameter value index (the complement of a negative base).
TParticleFunction* ParameterValue(const TParticleCallFrame* frame, int32_t base) {
  if (!frame->system) return nullptr;
  return frame->system->GetParameterValue(~base);
}

// Evaluates a parameter value in place of the current arguments (they are dropped) and answers
// where its result is; false when it cannot be had.
bool EvaluateParameter(TParticleValueStack* particle, TParticleCallFrame* frame, int32_t base,
                       int32_t* entry) {
  TParticleFunction* f = ParameterValue(frame, base);
  if (!f) return false;
  int32_t at = frame->base;
  int32_t argc = frame->argc;
  frame->argc = 0;
  bool ok = f->Evaluate(particle, frame);
  frame->argc = argc;
  if (!ok || frame->base != at + 1) {
    frame->base = at;
    frame->top = at;
    return false;
  }
  *entry = at;
  frame->base = at;
  frame->top = at;
  return true;
}

// The size of the member starting at base, bounded by the particle's block; 0 when none starts there.
int32_t MemberSize(const TParticleValueStack* particle, int32_t base) {
  if (base < 0 || base >= particle->floatCapacity) return 0;
  int32_t e = particle->FindEntryAt(base);
  if (e < 0) return 0;
  int32_t size = particle->widths[e];
  if (base + size > particle->floatCapacity) size = particle->floatCapacity - base;
  return size;
}

// ---- result widths ----

// Functors whose result is as wide as their first argument.
class FFirstWidth : public TParticleFunction {
 public:
  int32_t GetResultWidth(int32_t argc, const uint8_t* widths) const override {
    return argc >= 1 && widths ? widths[0] : 0;
  }
};

// Functors whose result has a fixed width.
template <int32_t W>
class FFixedWidth : public TParticleFunction {
 public:
  int32_t GetResultWidth(int32_t, const uint8_t*) const override { return W; }
};

// ---- element-wise arithmetic ----

template <class Op>
class FBinary : public FFirstWidth {
 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 2) return false;
    int32_t n = frame->Width(0);
    if (frame->Width(1) < n) return false;
    const float* a = frame->Arg(0);
    const float* b = frame->Arg(1);
    float r[4];
    for (int32_t i = 0; i < n; ++i) r[i] = Op()(a[i], b[i]);
    return frame->Push(r, n);
  }
};

#define TM_PARTICLE_BINARY(Name, expr)                                        \
  struct Name##Op {                                                           \
    float operator()(float a, float b) const { return expr; }                 \
  };                                                                          \
  class Name : public FBinary<Name##Op> {                                     \
    TM_CLASS(Name, TParticleFunction)                                         \
  };

TM_PARTICLE_BINARY(FAdd, a + b)
TM_PARTICLE_BINARY(FSub, a - b)
TM_PARTICLE_BINARY(FMul, a * b)
TM_PARTICLE_BINARY(FDiv, a / b)
#undef TM_PARTICLE_BINARY

// One argument, each component mapped on its own (the frame gives the time).
template <class Op>
class FMap : public FFirstWidth {
 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 1) return false;
    int32_t n = frame->Width(0);
    float r[4];
    for (int32_t i = 0; i < n; ++i) r[i] = Op()(frame->Arg(0)[i], *frame);
    return frame->Push(r, n);
  }
};

struct FUnmOp {
  float operator()(float a, const TParticleCallFrame&) const { return -a; }
};
class FUnm : public FMap<FUnmOp> {
  TM_CLASS(FUnm, TParticleFunction)
};
// A per-second rate turned into this frame's step.
struct FTimeScaleOp {
  float operator()(float a, const TParticleCallFrame& f) const { return a * f.milliseconds / 1000.0f; }
};
class FTimeScale : public FMap<FTimeScaleOp> {
  TM_CLASS(FTimeScale, TParticleFunction)
};

// ---- comparisons ----

template <bool OrEqual>
class FCompare : public FFixedWidth<1> {
 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 2 || frame->Width(0) != 1 || frame->Width(1) != 1) return false;
    float a = frame->Arg(0)[0];
    float b = frame->Arg(1)[0];
    return frame->PushScalar((OrEqual ? a <= b : a < b) ? 1.0f : 0.0f);
  }
};
class FLt : public FCompare<false> {
  TM_CLASS(FLt, TParticleFunction)
};
class FLe : public FCompare<true> {
  TM_CLASS(FLe, TParticleFunction)
};

// ---- values ----

class FVec : public FFixedWidth<1> {
  TM_CLASS(FVec, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc < 1 || frame->argc > 4) return false;
    float r[4];
    for (int32_t i = 0; i < frame->argc; ++i) r[i] = frame->Arg(i)[0];
    return frame->Push(r, frame->argc);
  }
};

class FAge : public FFixedWidth<1> {
  TM_CLASS(FAge, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 0) return false;
    return frame->PushScalar(frame->milliseconds);
  }
};

class FExpire : public FFixedWidth<1> {
  TM_CLASS(FExpire, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 1 || frame->Width(0) != 1) return false;
    if (frame->Arg(0)[0] != 0.0f) {
      frame->alive = 0;
      return frame->PushScalar(1.0f);
    }
    return frame->PushScalar(0.0f);
  }
};

class FDistance : public FFixedWidth<1> {
  TM_CLASS(FDistance, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 2) return false;
    int32_t n = frame->Width(0);
    if (frame->Width(1) < n) return false;
    float sum = 0.0f;
    for (int32_t i = 0; i < n; ++i) {
      float d = frame->Arg(0)[i] - frame->Arg(1)[i];
      sum += d * d;
    }
    return frame->PushScalar(std::sqrt(sum));
  }
};

class FRange : public FFirstWidth {
  TM_CLASS(FRange, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 2 || frame->Width(0) != frame->Width(1)) return false;
    int32_t n = frame->Width(0);
    float r[4];
    for (int32_t i = 0; i < n; ++i) {
      float a = frame->Arg(0)[i];
      float b = frame->Arg(1)[i];
      r[i] = a + static_cast<float>(particlerandom::NextFloat()) * (b - a);
    }
    return frame->Push(r, n);
  }
};

class FPick : public FFirstWidth {
  TM_CLASS(FPick, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc < 1) return false;
    int32_t i = static_cast<int32_t>(particlerandom::NextFloat() * frame->argc);
    if (i >= frame->argc) i = frame->argc - 1;
    float r[4];
    int32_t n = frame->Width(i);
    for (int32_t k = 0; k < n; ++k) r[k] = frame->Arg(i)[k];
    return frame->Push(r, n);
  }
};

// Steps from a towards b in N steps, one step per evaluation (shared by every particle).
// The open cycle never reaches b; the closed one ends on it.
template <bool Closed>
class FCycle : public FFixedWidth<1> {
 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 3 || frame->Width(0) != frame->Width(1) || frame->Width(2) != 1)
      return false;
    float a = frame->Arg(0)[0];
    float b = frame->Arg(1)[0];
    float steps = frame->Arg(2)[0];
    // Fewer than one step has no position to take (and would divide by zero or less).
    if (!(steps >= 1.0f)) return false;
    float span = Closed ? steps - 1.0f : steps;
    float r = span > 0.0f ? a + (static_cast<float>(mCounter) / span) * (b - a) : a;
    if (static_cast<float>(mCounter) + 1.0f >= steps)
      mCounter = 0;
    else
      ++mCounter;
    return frame->PushScalar(r);
  }

 private:
  uint32_t mCounter = 0;
};
class FOpenCycle : public FCycle<false> {
  TM_CLASS(FOpenCycle, TParticleFunction)
};
class FClosedCycle : public FCycle<true> {
  TM_CLASS(FClosedCycle, TParticleFunction)
};

// fFade(t, v0, d0, v1, d1, ..., vn): walks the durations and blends between neighbouring values.
class FFade : public TParticleFunction {
  TM_CLASS(FFade, TParticleFunction)

 public:
  int32_t GetResultWidth(int32_t argc, const uint8_t* widths) const override {
    return argc >= 2 && widths ? widths[1] : 0;
  }
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    int32_t argc = frame->argc;
    if (argc < 2 || frame->Width(0) != 1) return false;
    int32_t n = frame->Width(1);
    // values at odd positions share one width; durations at even positions are single floats
    for (int32_t i = 1; i < argc; ++i)
      if (frame->Width(i) != (i % 2 == 1 ? n : 1)) return false;
    float t = frame->Arg(0)[0];
    if (!(t >= 0.0f)) t = 0.0f;
    int32_t v = 1;
    while (v + 2 < argc && t >= frame->Arg(v + 1)[0]) {
      t -= frame->Arg(v + 1)[0];
      v += 2;
    }
    float r[4];
    const float* from = frame->Arg(v);
    if (v + 2 < argc) {
      float d = frame->Arg(v + 1)[0];
      const float* to = frame->Arg(v + 2);
      for (int32_t i = 0; i < n; ++i) r[i] = from[i] + (t / d) * (to[i] - from[i]);
    } else {
      for (int32_t i = 0; i < n; ++i) r[i] = from[i];
    }
    return frame->Push(r, n);
  }
};

class FAlpha : public FFixedWidth<4> {
  TM_CLASS(FAlpha, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 2 || frame->Width(0) < 3 || frame->Width(1) != 1) return false;
    const float* c = frame->Arg(0);
    float r[4] = {c[0], c[1], c[2], frame->Arg(1)[0]};
    return frame->Push(r, 4);
  }
};

class F2dRadius : public FFixedWidth<2> {
  TM_CLASS(F2dRadius, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc < 1 || frame->argc > 2 || frame->Width(0) != 1) return false;
    if (frame->argc == 2 && frame->Width(1) != 2) return false;
    float radius = frame->Arg(0)[0];
    float angle = static_cast<float>(particlerandom::NextFloat()) * 2.0f * 3.1415927f;
    float r[2] = {radius * std::cos(angle), radius * std::sin(angle)};
    return frame->Push(r, 2);
  }
};

class F2dRotation : public FFixedWidth<2> {
  TM_CLASS(F2dRotation, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 1 || frame->Width(0) != 1) return false;
    float a = frame->Arg(0)[0];
    float r[2] = {std::cos(a), std::sin(a)};
    return frame->Push(r, 2);
  }
};

// member[i]: one component of a particle member or of a named value; i counts from 1.
class FIndex : public FFixedWidth<1> {
  TM_CLASS(FIndex, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack* particle, TParticleCallFrame* frame) override {
    if (frame->argc != 2 || frame->Width(0) != 1 || frame->Width(1) != 1) return false;
    int32_t base = 0;
    int32_t index = 0;
    if (!ToIndex(frame->Arg(0)[0], &base) || !ToIndex(frame->Arg(1)[0], &index)) return false;
    if (base >= 0) {
      int32_t size = MemberSize(particle, base);
      if (index < 1 || index > size) return false;
      return frame->PushScalar(particle->data[base + index - 1]);
    }
    if (base < -32768) return false;
    TParticleFunction* value = ParameterValue(frame, base);
    int32_t entry = 0;
    if (!EvaluateParameter(particle, frame, base, &entry)) return false;
    int32_t width = frame->stack->widths[entry];
    if (index < 1 || index > width) {
      TString message = TString::Format("Out of range parameter index [%d] when indexing %s",
                                        index, value ? value->GetName().CStr() : "");
      TFailure().Report(message.CStr(), __LINE__, "..\\core\\luaparticlesystem");
      return false;
    }
    float v = frame->stack->At(entry)[index - 1];
    return frame->PushScalar(v);
  }
};

// value[i]: one component of a computed value.
class FVIndex : public FFixedWidth<1> {
  TM_CLASS(FVIndex, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    if (frame->argc != 2 || frame->Width(1) != 1) return false;
    int32_t index = 0;
    if (!ToIndex(frame->Arg(1)[0], &index)) return false;
    if (index < 1 || index > frame->Width(0)) return false;
    return frame->PushScalar(frame->Arg(0)[index - 1]);
  }
};

// member[i] = v, inside the member only.
class FNewIndex : public FFixedWidth<1> {
  TM_CLASS(FNewIndex, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack* particle, TParticleCallFrame* frame) override {
    if (frame->argc != 3 || frame->Width(0) != 1 || frame->Width(1) != 1 || frame->Width(2) != 1)
      return false;
    int32_t base = 0;
    int32_t index = 0;
    if (!ToIndex(frame->Arg(0)[0], &base) || !ToIndex(frame->Arg(1)[0], &index)) return false;
    if (base < 0) return false;
    if (index < 1 || index > MemberSize(particle, base)) return false;
    float v = frame->Arg(2)[0];
    particle->data[base + index - 1] = v;
    return frame->PushScalar(v);
  }
};

// member = v: writes the value into the member, never past the member's size or the block.
class FAssign : public FFixedWidth<0> {
  TM_CLASS(FAssign, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack* particle, TParticleCallFrame* frame) override {
    if (frame->argc != 3 || frame->Width(1) != 1 || frame->Width(2) != 1) return false;
    int32_t base = 0;
    int32_t size = 0;
    if (!ToIndex(frame->Arg(1)[0], &base) || !ToIndex(frame->Arg(2)[0], &size)) return false;
    if (base < 0) return false;
    int32_t room = MemberSize(particle, base);
    int32_t n = frame->Width(0);
    if (n > size) n = size;
    if (n > room) n = room;
    if (n <= 0) return false;
    const float* v = frame->Arg(0);
    for (int32_t i = 0; i < n; ++i) particle->data[base + i] = v[i];
    frame->top = frame->base;
    return true;
  }
};

class FDebug : public FFixedWidth<0> {
  TM_CLASS(FDebug, TParticleFunction)

 public:
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    TString text;
    for (int32_t i = 0; i < frame->argc; ++i) {
      text += "(";
      for (int32_t k = 0; k < frame->Width(i); ++k) {
        if (k > 0) text += ",";
        text += TString::Format("%f", static_cast<double>(frame->Arg(i)[k]));
      }
      text += ") ";
    }
    LogPrintf("Particle Values: %s", text.CStr());
    frame->top = frame->base;
    return true;
  }
};

template <class F>
ParticleFunctionPtr Make() {
  return std::make_shared<F>();
}

const TParticleCreatorEntry kCreators[] = {
    {"fTimeScale", &Make<FTimeScale>, true},
    {"fAge", &Make<FAge>, true},
    {"fPick", &Make<FPick>, true},
    {"fFade", &Make<FFade>, true},
    {"fOpenCycle", &Make<FOpenCycle>, true},
    {"fClosedCycle", &Make<FClosedCycle>, true},
    {"fAlpha", &Make<FAlpha>, true},
    {"fDebug", &Make<FDebug>, true},
    {"fDistance", &Make<FDistance>, true},
    {"f2dRadius", &Make<F2dRadius>, true},
    {"f2dRotation", &Make<F2dRotation>, true},
    {"fVec", &Make<FVec>, true},
    {"fRange", &Make<FRange>, true},
    {"fExpire", &Make<FExpire>, true},
    {"fLess", &Make<FLt>, true},
    {"fLessEqual", &Make<FLe>, true},
    {"assign", &Make<FAssign>, false},
    {"lt", &Make<FLt>, false},
    {"le", &Make<FLe>, false},
    {"add", &Make<FAdd>, false},
    {"unm", &Make<FUnm>, false},
    {"mul", &Make<FMul>, false},
    {"div", &Make<FDiv>, false},
    {"sub", &Make<FSub>, false},
    {"index", &Make<FIndex>, false},
    {"vindex", &Make<FVIndex>, false},
    {"newindex", &Make<FNewIndex>, false},
};

// ---- the shared generator ----
std::unique_ptr<TRandom> gRandom;
int32_t gRandomUsers = 0;
bool gHaveSeed = false;
uint32_t gSeed[4] = {};

}  // namespace

int32_t TParticleValueStack::FindEntryAt(int32_t offset) const {
  // offsets grow with the index: halve the range
  int32_t lo = 0;
  int32_t hi = count - 1;
  while (lo <= hi) {
    int32_t mid = (lo + hi) / 2;
    if (offsets[mid] == offset) return mid;
    if (offsets[mid] < offset)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return -1;
}

bool TParticleCallFrame::Push(const float* values, int32_t n) {
  if (n < 1 || n > 4 || base < 0 || base >= capacity || base >= kParticleStackEntries) return false;
  int32_t at = stack->offsets[base];
  if (at + n > stack->floatCapacity) return false;
  float copy[4];
  for (int32_t i = 0; i < n; ++i) copy[i] = values[i];
  for (int32_t i = 0; i < n; ++i) stack->data[at + i] = copy[i];
  stack->widths[base] = static_cast<uint8_t>(n);
  stack->offsets[base + 1] = at + n;
  ++base;
  top = base;
  return true;
}

namespace particlerandom {

namespace {
void SeedFromClock(TRandom& r) {
  // Effects should differ from run to run: seed from the clock and an address.
  uint64_t t = static_cast<uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  uintptr_t p = reinterpret_cast<uintptr_t>(&r);
  uint32_t words[4] = {static_cast<uint32_t>(t), static_cast<uint32_t>(t >> 32),
                       static_cast<uint32_t>(p), static_cast<uint32_t>(p >> 32)};
  r.InitByArray(words, 4);
}

void SeedNew(TRandom& r) {
  if (gHaveSeed)
    r.InitByArray(gSeed, 4);
  else
    SeedFromClock(r);
}

// Serves functors evaluated while no particle system exists.
TRandom& Standalone() {
  static TRandom r = [] {
    TRandom made;
    SeedNew(made);
    return made;
  }();
  return r;
}
}  // namespace

void Acquire() {
  if (gRandomUsers++ == 0) {
    gRandom = std::make_unique<TRandom>();
    SeedNew(*gRandom);
  }
}

void Release() {
  if (gRandomUsers > 0 && --gRandomUsers == 0) gRandom.reset();
}

void Seed(const uint32_t words[4]) {
  for (int i = 0; i < 4; ++i) gSeed[i] = words[i];
  gHaveSeed = true;
  if (gRandom) gRandom->InitByArray(gSeed, 4);
  Standalone().InitByArray(gSeed, 4);
}

double NextFloat() {
  TRandom& r = gRandom ? *gRandom : Standalone();
  return r.Next() * 2.3283063671497593e-10;
}

}  // namespace particlerandom

TParticleFunction::~TParticleFunction() = default;

bool FGetParticleParam::Evaluate(TParticleValueStack* particle, TParticleCallFrame* frame) {
  if (frame->argc != 0) return false;
  if (mBase < 0) {
    TParticleFunction* f = ParameterValue(frame, mBase);
    return f && f->Evaluate(particle, frame);
  }
  if (mWidth < 1 || mWidth > 4 || mBase + mWidth > particle->floatCapacity) return false;
  return frame->Push(particle->data + mBase, mWidth);
}

bool FConstVec2::Evaluate(TParticleValueStack*, TParticleCallFrame* frame) {
  if (frame->argc != 0) return false;
  float v[2] = {mValue.x, mValue.y};
  return frame->Push(v, 2);
}

ParticleFunctionCreator FindParticleFunctionCreator(const char* name) {
  for (const TParticleCreatorEntry& e : kCreators)
    if (std::strcmp(name, e.name) == 0) return e.creator;
  return nullptr;
}

const TParticleCreatorEntry* GetParticleCreators(int32_t* count) {
  *count = static_cast<int32_t>(sizeof kCreators / sizeof kCreators[0]);
  return kCreators;
}
