// The web engine frees some of its objects through a base of another size and leaves others to
// the end of the process; the address sanitizer would report both against this test program.
extern "C" const char* __asan_default_options() {
  return "new_delete_type_mismatch=0:detect_leaks=0";
}
