// fontconfig keeps its parsed configuration for the life of the process on purpose.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
