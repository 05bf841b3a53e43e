// The mirrored image's layout: which false images are shown and where every picture goes.
#include <algorithm>

#include "model/minigamemodels.h"

std::vector<CMirroredImageGame::TPicture> CMirroredImageGame::MakeLayout(TRandom& random) const {
  std::vector<TPicture> layout;
  if (positions.empty()) return layout;
  // Show no more false images than exist, and leave a place for the correct one.
  const size_t n = std::min({static_cast<size_t>(std::max(mAmountSelected, 0)),
                             static_cast<size_t>(std::max(mAmountAll, 0)), positions.size() - 1});
  std::vector<int32_t> pool;
  for (int32_t k = 1; k <= mAmountAll; ++k) pool.push_back(k);
  std::vector<int32_t> chosen;
  for (size_t i = 0; i < n; ++i) {
    const size_t at = random.Next() % pool.size();
    chosen.push_back(pool[at]);
    pool.erase(pool.begin() + static_cast<std::ptrdiff_t>(at));
  }
  std::vector<size_t> slots;
  for (size_t i = 0; i <= n; ++i) slots.push_back(i);
  std::vector<size_t> order;
  while (!slots.empty()) {
    const size_t at = random.Next() % slots.size();
    order.push_back(slots[at]);
    slots.erase(slots.begin() + static_cast<std::ptrdiff_t>(at));
  }
  for (size_t i = 0; i < n; ++i) {
    const auto& [x, y] = positions[order[i]];
    layout.push_back({"false", filepath + nameFalseImage + std::to_string(chosen[i]), x, y});
  }
  const auto& [x, y] = positions[order[n]];
  layout.push_back({"correct", filepath + nameCorrectImage, x, y});
  return layout;
}
