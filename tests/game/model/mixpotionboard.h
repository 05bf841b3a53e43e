// The mix-potion board that the play-rule tests and the mouse tests share: funnels A (1,0) and
// B (0,0); B runs down into C (0,1), which turns right into the merge D (1,1), fed from above by
// A; D runs down into the flask pipe F (1,2). 50-pixel cells from (300, 120). Green, black and
// purple are given, orange is wanted; the picture keys name the textures the board window uses.
#pragma once

namespace mixpotiontest {

inline const char kBoard[] = R"(
MakeMixPotionMiniGame { seqId = 1, colorSystem = 1, x = 300, y = 120, buttonX = 700, buttonY = 500,
  resetbuttonX = 800, resetbuttonY = 500, cboardX = 20, cboardY = 100,
  kPipe2_ud = "ud", kPipe2_ur = "ur", kPipe3_udl_d = "udl", funnel = "funnel", flask = "flask",
  targetColor = "target", moveableflask = "carry", button = "mix", resetbutton = "reset", cboard = "board",
  MakeMixPotionGivenColors { "green", "black", "purple" },
  MakeMixPotionNeedColors { "orange" },
  MakeMixPotionPipe { id = 1, x = 1, y = 0, h = 1, {3} },
  MakeMixPotionPipe { id = 2, x = 0, y = 0, h = 1, {4} },
  MakeMixPotionPipe { id = 4, x = 0, y = 1, h = 2, {3} },
  MakeMixPotionPipe { id = 3, x = 1, y = 1, h = 3, {5} },
  MakeMixPotionPipe { id = 5, x = 1, y = 2, h = 4 } }
)";

}  // namespace mixpotiontest
