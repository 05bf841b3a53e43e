// The scene screens' pictures and sounds, written below the assets folder by mkcontent.
#pragma once
#include <string>

// False when a file could not be written.
bool MakeSceneContent(const std::string& root);
