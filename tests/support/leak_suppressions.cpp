// Leaks that are the C library's, not ours, for the sanitizer runs of core_tests (unused in
// other builds). glibc keeps the search path that LOCPATH gives when a named locale is loaded
// (the German locale of the number tests): one allocation per process, never freed.
extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:__argz_add_sep\n";
}
