// The web engine's own code frees some objects through a base of another size, which the address
// sanitizer reports as a mismatch; that check is off for this test program only.
extern "C" const char* __asan_default_options() { return "new_delete_type_mismatch=0"; }
