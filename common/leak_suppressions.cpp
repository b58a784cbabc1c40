// Built into the sanitizer build only; the leak checker asks for these when
// a program ends.
//
// libx264 now and then leaves one of its own frames behind when the encoder
// is closed while its threads wind down: one short encode in forty to eighty
// on a busy machine, every frame of the allocation inside libx264, after the
// encoder was drained and freed as it should be. The library is not
// instrumented and the leak is not ours to mend, so only allocations made
// inside it are let go.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libx264.so\n";
}

// A suppression that was used is not worth a word on standard error, which
// the tests read as the programs' own.
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}
