// Linked into every test executable: the environment the tests are written for, set before
// main() so that a test run by hand behaves as under ctest. Dates are checked in Rome's time
// (with its summer time), texts in the C locale with UTF-8 file names, windows offscreen.

#include <cstdlib>
#include <ctime>

namespace {

struct TestEnvironment
{
    TestEnvironment()
    {
        ::setenv("TZ", "Europe/Rome", 1);
        ::tzset();
        ::setenv("LC_ALL", "C.UTF-8", 1);
        ::setenv("LANG", "C.UTF-8", 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
};

const TestEnvironment environment;

} // namespace
