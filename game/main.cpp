// Entry of The Harrowmere Demo. Until the platform entry is in place it only reports what it is.
#include <cstdio>

int main(int argc, char** argv) {
  std::printf("The Harrowmere Demo V. 0.85b: the framework is being built; the game does not start yet.\n");
  return 0;
}
