// A tiny plug-in for the LoadLibraryA/GetProcAddress tests.
extern "C" int TmTestAdd(int a, int b) { return a + b; }
extern "C" const char* TmTestName() { return "tmtestplugin"; }
