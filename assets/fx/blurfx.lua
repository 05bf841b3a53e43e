-- The glow around a button, exit or sprite: a soft halo of its own shape (the mask texture that
-- native code hands over with SetTexture right after loading). Its four layers come in over the
-- first second and then stand still, so a screen with nothing else moving is not drawn again.
SetNumParticles(4)
SetBlendMode(kBlendAdditiveAlpha)
pPosition:Init(dLocus)
pScale:Init(Value(1.1))
pColor:Init(Color(0.4, 0.7, 1, 0.6))

local due = NewParticleGenerator()
function Update(seconds)
  CreateParticles(due(5, seconds * 1000))
end
