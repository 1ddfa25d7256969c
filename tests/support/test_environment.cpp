// Linked into every test program, so each sees the same environment however
// it is started (ctest, by hand, a debugger). Values set outside win.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment()
    {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        ::setenv("TAMBLO_BUILD_DIR", TAMBLO_TEST_BUILD_DIR, 0);
        ::setenv("TAMBLO_SOURCE_DIR", TAMBLO_TEST_SOURCE_DIR, 0);
    }
};

const TestEnvironment g_test_environment;

} // namespace
