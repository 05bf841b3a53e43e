-- The hint sparkle: warm little stars that spring from where the effect stands, drift apart and
-- fade within a second. The scene moves the effect around the spot it points at.
SetNumParticles(64)
SetTexture("fx/sparkle.png")
SetBlendMode(kBlendAdditiveAlpha)
RequireVelocity()
pPosition:Init(dLocus)
pVelocity:Init(fRange(Vec2(-40, -40), Vec2(40, 40)))
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pScale:Init(fRange(0.5, 1.2))
pColor:Init(Color(1, 0.92, 0.6, 1))
Anim(fExpire(Value(800) - fAge()))

local due = NewParticleGenerator()
function Update(seconds)
  CreateParticles(due(60, seconds * 1000))
end
