// The scene screens' window types: registers every scene window, the sidebar and the diary with
// the window manager under the names the screen scripts use.
#pragma once

class TWindowManager;

void RegisterSceneWindowTypes(TWindowManager* manager);
