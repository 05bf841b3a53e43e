// The scene screens' pictures, written below the assets folder by mkcontent.
#pragma once

// Failures are reported through ContentFailed().
void MakeSceneContent();
