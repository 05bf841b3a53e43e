// The demo's music and sound effects, written below the assets folder by mkcontent.
#pragma once

// Failures are reported through ContentFailed().
void MakeSounds();
