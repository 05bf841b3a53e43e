/* A collation library for tests: compares UTF-8 texts by their ASCII letters without regard to case,
   so "apple" < "Banana" < "cherry" and "Mia" equals "mia". */
#include <stdint.h>

static int fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

__attribute__((visibility("default"))) int32_t vxCollate(const char* a, const char* b) {
  const unsigned char* p = (const unsigned char*)a;
  const unsigned char* q = (const unsigned char*)b;
  while (*p && fold(*p) == fold(*q)) {
    ++p;
    ++q;
  }
  return fold(*p) - fold(*q);
}
