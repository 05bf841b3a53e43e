-- The glow around a button, exit or sprite: a soft halo of its own shape (the mask texture that
-- native code hands over with SetTexture right after loading), breathing slowly.
SetNumParticles(4)
SetBlendMode(kBlendAdditiveAlpha)
pPosition:Init(dLocus)
pScale:Init(Value(1.1))
pColor:Init(Color(0.4, 0.7, 1, 0.6))
Anim(fExpire(Value(600) - fAge()))

local due = NewParticleGenerator()
function Update(seconds)
  CreateParticles(due(5, seconds * 1000))
end
