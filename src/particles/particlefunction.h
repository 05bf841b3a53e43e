// Particle functors: the instructions of the postfix programs that a scripted particle system runs
// for every particle. Each takes its arguments from the top of the evaluation stack, checks their
// count and widths, and pushes one value of 1 to 4 floats (or nothing, for the few that only act).
// Every read and write of particle memory is bounded by the particle's block and the member it names.
#pragma once
#include <cstdint>
#include <memory>

#include "core/classid.h"
#include "core/math.h"
#include "core/string.h"

class TLuaParticleSystem;
class TParticleFunction;
using ParticleFunctionPtr = std::shared_ptr<TParticleFunction>;

// Most entries and floats an evaluation stack holds (every value is 1 to 4 floats wide).
constexpr int32_t kParticleStackEntries = 255;
constexpr int32_t kParticleStackFloats = kParticleStackEntries * 4;

// A run of values: floats with one width byte per entry and the running float offsets.
// The particle view is the particle's block with its members as entries; the evaluation stack is
// the scratch area the functors push to.
struct TParticleValueStack {
  float* data = nullptr;
  uint8_t* widths = nullptr;
  int32_t offsets[kParticleStackEntries + 2] = {};  // offsets[i + 1] = offsets[i] + widths[i]
  int32_t count = 0;
  int32_t floatCapacity = 0;  // floats available at data

  // Floats of entry i (no check).
  float* At(int32_t i) const { return data + offsets[i]; }
  // The entry whose floats start at `offset`, or -1 (members are found by their base this way).
  int32_t FindEntryAt(int32_t offset) const;
};

// What a functor sees of the current step of a stream run.
struct TParticleCallFrame {
  TLuaParticleSystem* system = nullptr;  // may be null when functors run on their own
  TParticleValueStack* stack = nullptr;  // the evaluation stack
  TParticleValueStack* particle = nullptr;
  int32_t base = 0;  // first argument
  int32_t top = 0;
  int32_t capacity = kParticleStackEntries;
  int32_t argc = 0;
  float milliseconds = 0.0f;  // the frame time; 0 in the init stream
  int32_t alive = 1;          // cleared by fExpire

  float* Arg(int32_t i) const { return stack->At(base + i); }
  int32_t Width(int32_t i) const { return stack->widths[base + i]; }
  // Writes n floats (1..4) at the base index as one value; the next index becomes base and top.
  // The floats may overlap the arguments. False when the stack is full.
  bool Push(const float* values, int32_t n);
  bool PushScalar(float v) { return Push(&v, 1); }
};

// The shared random generator of the particle code: made by the first user, deleted with the last.
namespace particlerandom {
void Acquire();
void Release();
// Reseeds the generator (when one exists) with four words; later generators start from them too.
void Seed(const uint32_t words[4]);
// Next 32-bit word times 2^-32: a number from 0 up to (not including) 1.
double NextFloat();
}  // namespace particlerandom

class TParticleFunction {
  TM_CLASS_ROOT(TParticleFunction)

 public:
  TParticleFunction() = default;
  virtual ~TParticleFunction();
  TParticleFunction(const TParticleFunction&) = delete;
  TParticleFunction& operator=(const TParticleFunction&) = delete;

  virtual void Reserved() {}
  // Width of the result for the compiled argument widths (argc 0 and no widths for a named value).
  virtual int32_t GetResultWidth(int32_t argc, const uint8_t* widths) const = 0;
  // Takes its arguments and pushes its result; false (nothing pushed) on a wrong count or width.
  virtual bool Evaluate(TParticleValueStack* particle, TParticleCallFrame* frame) = 0;

  const TString& GetName() const { return mName; }
  void SetName(const TString& name) { mName = name; }

 private:
  TString mName;
};

// Makes the functor of a constructor name ("add", "fFade", ...) or null for an unknown name.
using ParticleFunctionCreator = ParticleFunctionPtr (*)();
ParticleFunctionCreator FindParticleFunctionCreator(const char* name);
// Names with a script function (fAge, fFade, ...) and operator names (add, index, ...).
struct TParticleCreatorEntry {
  const char* name;
  ParticleFunctionCreator creator;
  bool scriptFunction;  // gets a global function of its name
};
const TParticleCreatorEntry* GetParticleCreators(int32_t* count);

// Made by the compiler rather than by name.
// Reads a member of the particle (base >= 0) or evaluates a named value (negative base, the
// complement of its index in the system's parameter values).
class FGetParticleParam : public TParticleFunction {
  TM_CLASS(FGetParticleParam, TParticleFunction)

 public:
  FGetParticleParam(int16_t base, uint8_t width) : mBase(base), mWidth(width) {}
  int32_t GetResultWidth(int32_t, const uint8_t*) const override { return mWidth; }
  bool Evaluate(TParticleValueStack* particle, TParticleCallFrame* frame) override;

 private:
  int16_t mBase;
  uint8_t mWidth;
};

// Pushes a constant of N floats.
template <int N>
class FPush : public TParticleFunction {
 public:
  explicit FPush(const float* values) {
    for (int i = 0; i < N; ++i) mValue[i] = values[i];
  }
  static TClassId ClassId() { return reinterpret_cast<TClassId>(&FPush<N>::ClassId); }
  const char* GetClassName() const override { return "FPush"; }
  bool IsKindOf(TClassId id) const override {
    return id == ClassId() || TParticleFunction::IsKindOf(id);
  }
  int32_t GetResultWidth(int32_t, const uint8_t*) const override { return N; }
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override {
    return frame->Push(mValue, N);
  }
  const float* GetValue() const { return mValue; }

 private:
  float mValue[N];
};

// Pushes a stored 2D vector: the emitter's position or up direction of an effect sprite.
class FConstVec2 : public TParticleFunction {
  TM_CLASS(FConstVec2, TParticleFunction)

 public:
  explicit FConstVec2(const TVec2& v) : mValue(v) {}
  int32_t GetResultWidth(int32_t, const uint8_t*) const override { return 2; }
  bool Evaluate(TParticleValueStack*, TParticleCallFrame* frame) override;
  void Set(const TVec2& v) { mValue = v; }
  const TVec2& Get() const { return mValue; }

 private:
  TVec2 mValue;
};
