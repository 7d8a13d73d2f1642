// A library that only the tests' children map, so its usage counts are known exactly.
extern "C" int quorvane_probe_value()
{
    return 1;
}
