// The mini-games' pictures and sounds, written below the assets folder by mkcontent.
#pragma once

// Failures are reported through ContentFailed().
void MakeMiniGameContent();
