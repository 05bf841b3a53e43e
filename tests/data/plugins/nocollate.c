/* A library without the collation export, for the test that such a library is ignored. */
__attribute__((visibility("default"))) int notCollate(void) { return 0; }
