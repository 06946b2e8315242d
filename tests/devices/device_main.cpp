// The device tests run under umockdev's preload library, which must be loaded before the program
// starts: without it the program starts itself again with it. Where that fails, every test says
// why it is skipped.
#include <unistd.h>

#include "tests/devices/device_bed.h"

int main(int argc, char** argv) {
    if (!testing_support::DeviceBed::why_not().empty() && !std::getenv("KSY_DEVICE_TESTS_RESTARTED")) {
        const char* preload = std::getenv("LD_PRELOAD");
        const char* asan = std::getenv("ASAN_OPTIONS");
        ::setenv("KSY_DEVICE_TESTS_RESTARTED", "1", 1);
        ::setenv("LD_PRELOAD", ("libumockdev-preload.so.0" + std::string(preload ? ":" : "") + (preload ? preload : "")).c_str(), 1);
        // AddressSanitizer wants its runtime first among the libraries loaded; the preload
        // library comes before it, which is harmless here.
        ::setenv("ASAN_OPTIONS", ((asan ? std::string(asan) + ":" : std::string()) + "verify_asan_link_order=0").c_str(), 1);
        ::execv("/proc/self/exe", argv);
        std::perror("device_tests: cannot restart under the umockdev preload library");
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
