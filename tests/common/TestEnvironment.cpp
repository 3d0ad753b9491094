// Linked into every test executable: the environment the tests are written for, set before
// main() so that a test run by hand behaves as under ctest. Dates are checked in Rome's time
// (with its summer time), windows offscreen, texts in the C locale with UTF-8 file names —
// or in the locale VELLORA_TEST_LOCALE names (ctest runs the tests of user-visible numbers,
// dates and texts once more in it_IT.UTF-8 and de_DE.UTF-8 that way).

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

struct TestEnvironment
{
    TestEnvironment()
    {
        ::setenv("TZ", "Europe/Rome", 1);
        ::tzset();
        const char *wanted = std::getenv("VELLORA_TEST_LOCALE");
        const char *locale = wanted && *wanted ? wanted : "C.UTF-8";
        ::setenv("LC_ALL", locale, 1);
        ::setenv("LANG", locale, 1);
        ::unsetenv("LANGUAGE");
        if (wanted && *wanted && !std::setlocale(LC_ALL, locale)) {
            // A locale that is not generated would quietly run the test in C: refuse instead.
            std::fprintf(stderr, "locale %s is not installed (scripts/setup.sh generates it)\n", locale);
            std::exit(1);
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
};

const TestEnvironment environment;

} // namespace
