// The mini-games' pictures and sounds, written below the assets folder by mkcontent.
#pragma once
#include <string>

// False when a file could not be written.
bool MakeMiniGameContent(const std::string& root);
