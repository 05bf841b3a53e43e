// The display's texture-memory counter: the bytes (height x pitch) of every texture surface that
// exists, and the most there ever were. Both are published as the configuration values
// "texture_ram_allocated" and "max_texture_ram_allocated", which the debug overlay shows.
#pragma once
#include <cstdint>

// Adds (or with a negative count takes away) surface bytes.
void AddTextureMemory(int64_t bytes);
int64_t GetTextureMemory();
int64_t GetMaxTextureMemory();
// Forgets both figures (tests).
void ResetTextureMemory();
