# The run-time options of AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer for ./scripts/test --sanitize: stop at the first
# finding with a non-zero exit, so that ctest counts it as a failure, and
# leave alone what belongs to the libraries we use (scripts/lib/sanitizers/).
# Sourced, never run.

sanitizer_dir=$TABVALE_ROOT/scripts/lib/sanitizers
# The full unwinder at each allocation: the ODBC drivers are built without
# frame pointers, and only the full stack names the driver for the
# suppressions (it roughly doubles the run's time).
export ASAN_OPTIONS="fast_unwind_on_malloc=0:halt_on_error=1:abort_on_error=0:exitcode=86:detect_leaks=1:strict_string_checks=0:detect_stack_use_after_return=0:suppressions=$sanitizer_dir/asan.supp"
export LSAN_OPTIONS="exitcode=87:suppressions=$sanitizer_dir/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=88:suppressions=$sanitizer_dir/ubsan.supp"
unset sanitizer_dir
