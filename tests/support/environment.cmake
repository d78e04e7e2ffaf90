# The environment every test runs in, unit, end-to-end or under Wine: sound goes to SDL's dummy
# device, GL comes from Mesa's software renderer, and the sanitizers (when built in) report
# leaks past the suppressions here and stop at the first undefined behaviour.
set(QUORVEX_TEST_ENV
  "SDL_AUDIODRIVER=dummy" "LIBGL_ALWAYS_SOFTWARE=1"
  "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0"
  "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:print_suppressions=0"
  "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
