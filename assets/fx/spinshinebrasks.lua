-- The hint sparkle: warm little stars that spring from where the effect stands, drift apart and
-- go out after 0.8 s, so that the trail follows the effect while the scene moves it round the spot
-- it points at. Members are all allocated before SetNumParticles sizes the particles, and each
-- particle counts its own age: fAge is the frame's time, not the particle's.
pAge = Allocate(1)
RequireVelocity()
SetNumParticles(64)
SetTexture("fx/sparkle.png")
SetBlendMode(kBlendAdditiveAlpha)
pPosition:Init(dLocus)
pVelocity:Init(fRange(Vec2(-40, -40), Vec2(40, 40)))
pScale:Init(fRange(0.5, 1.2))
pColor:Init(Color(1, 0.92, 0.6, 1))
pAge:Init(0)
pPosition:Anim(pPosition + fTimeScale(pVelocity))
pAge:Anim(pAge + fAge())
Anim(fExpire(fLess(800, pAge)))

local due = NewParticleGenerator()
function Update(seconds)
  CreateParticles(due(60, seconds * 1000))
end
