-- The particle scripts' vocabulary, run once in every new particle script state before any effect
-- script: blend constants, value tables whose operators build expressions, the member methods
-- Init and Anim, and small helpers (generators, timeouts, gravity) over the native particle API.

kBlendNormal = 0
kBlendOpaque = 1
kBlendAdditiveAlpha = 2
kBlendSubtractive = 3
kBlendMultiplicative = 4
kBlendMode = "blendmode"

ValueMT = {}

-- the size of an argument list: its field n when it has one, else its largest number key
local function ListSize(list)
  local n = rawget(list, "n")
  if type(n) == "number" then return n end
  n = 0
  for k, _ in pairs(list) do
    if type(k) == "number" and k > n then n = k end
  end
  return n
end

local function BinaryOperator(name)
  return function(...) return CreateValue(name, arg) end
end

-- unary minus is handed a second, nil operand; the expression takes the first alone
local function Negate(a) return CreateValue("unm", { a; n = 1 }) end

local function SetOperators(mt)
  mt.__lt = BinaryOperator("lt")
  mt.__le = BinaryOperator("le")
  mt.__add = BinaryOperator("add")
  mt.__sub = BinaryOperator("sub")
  mt.__div = BinaryOperator("div")
  mt.__mul = BinaryOperator("mul")
  mt.__unm = Negate
end

SetOperators(ValueMT)
ValueMT.__index = function(value, key)
  if type(key) == "number" then return CreateValue("vindex", { value, key }) end
  return rawget(ValueMT, key)
end

function CreateValue(name, args)
  local value = { cmd = name, params = args }
  setmetatable(value, ValueMT)
  return value
end

SetOperators(ParticleMemberMT)
ParticleMemberMT.__index = function(member, key)
  if type(key) == "number" then
    local base = GetParticleMemberParts(member)
    return CreateValue("index", { base, key })
  end
  return rawget(ParticleMemberMT, key)
end

function ParticleMemberMT.Init(member, value)
  local base, size = GetParticleMemberParts(member)
  CompileParameters({ CreateValue("assign", { value, base, size; n = 3 }) })
  AccumulateInitStream()
end

function ParticleMemberMT.Anim(member, value)
  local base, size = GetParticleMemberParts(member)
  CompileParameters({ CreateValue("assign", { value, base, size; n = 3 }) })
  AccumulateAnimStream()
end

function fGreater(a, b) return fLess(b, a) end
function fGreaterEqual(a, b) return fLessEqual(b, a) end

-- statements made for their effect (fExpire, fDebug); they run with the animation
function Init(statement)
  CompileParameters({ statement; n = 1 })
  AccumulateAnimStream()
end

function Anim(statement)
  CompileParameters({ statement; n = 1 })
  AccumulateAnimStream()
end

-- raw reads: a missing element of a value table is nil, not an index expression over the table
function CompileParameters(list)
  local widths = {}
  for i = 1, ListSize(list) do
    widths[i] = CompileParam(rawget(list, i))
  end
  return widths
end

function Spawn(n)
  CreateParticles(n)
  Create()
end

local function MakeValue(list)
  setmetatable(list, ValueMT)
  return list
end

function Value(x) return MakeValue({ x }) end
function Vec2(x, y) return MakeValue({ x, y }) end
function Vec3(x, y, z) return MakeValue({ x, y, z }) end
function Color(r, g, b, a) return MakeValue({ r, g, b, a }) end

function SetBlendMode(mode) SetRendererOption1(kBlendMode, mode) end

-- a function (particles per second, elapsed ms) -> particles due now; the remainder is kept
function NewParticleGenerator()
  local accumulator = 0
  local generator = function(pps, ms)
    if not (pps > 0) then
      accumulator = 0
      return 0
    end
    accumulator = accumulator + ms
    local due = math.floor(accumulator / 1000 * pps)
    accumulator = accumulator - math.floor(due * 1000 / pps)
    return due
  end
  ParticlesPerSecond = generator
  return generator
end

-- a function (elapsed seconds) that answers true once the time has run out
function NewTimeout(seconds)
  local remaining = seconds
  return function(elapsed)
    if remaining < 0 then return true end
    remaining = remaining - elapsed
    return false
  end
end

function SetTexture(name) _SetTexture(name) end

function RequireVelocity()
  if not pVelocity then pVelocity = Allocate(2) end
end

function SetUpGravity(accel)
  RequireVelocity()
  pVelocity:Anim(pVelocity + fTimeScale(Vec2(0, accel)))
end

function Update() end

function GUI_Slider(default) return default end
function GUI_Texture(default) return default end
function GUI_Select(default) return default end
function GUI_PickTexture(default) return default end
function GUI_ColorPick(r, g, b, a) return r, g, b, a end
