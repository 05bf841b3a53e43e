// An allocation function for the script runtime that fails once a budget of live bytes is spent;
// tests and the fuzz target install it with lua_setdefaultalloc to provoke memory errors.
#pragma once

#include <cstddef>
#include <cstdlib>

namespace luatest {

struct Budget {
  size_t live = 0;                          // bytes currently allocated through BudgetAlloc
  size_t limit = static_cast<size_t>(-1);  // requests that would exceed it fail
  size_t requests = 0;                      // allocations and resizes asked for (frees not counted)
  size_t peak = 0;                          // the most bytes ever live at once
};

inline void *BudgetAlloc(void *ud, void *ptr, size_t osize, size_t nsize) {
  Budget *b = static_cast<Budget *>(ud);
  if (nsize == 0) {
    free(ptr);
    b->live -= osize;
    return nullptr;
  }
  ++b->requests;
  if (b->live - osize + nsize > b->limit) return nullptr;
  void *p = realloc(ptr, nsize);
  if (p) {
    b->live = b->live - osize + nsize;
    if (b->live > b->peak) b->peak = b->live;
  }
  return p;
}

}  // namespace luatest
