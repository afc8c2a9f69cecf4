#include "XSession.h"

// Xlib's macros (None, Bool) break GoogleTest's headers when they come first.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <atomic>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Another client that keeps mapping and destroying top-level windows, as the
// programs of tests running beside this one do on the shared server.
class WindowChurn {
public:
    WindowChurn()
        : worker([this] { run(); })
    {
    }

    ~WindowChurn()
    {
        stopping = true;
        worker.join();
    }

private:
    void run()
    {
        Display* display = XOpenDisplay(nullptr);
        if (display == nullptr) {
            return;
        }
        const Window root = DefaultRootWindow(display);
        while (!stopping) {
            Window windows[32];
            for (Window& window : windows) {
                window = XCreateSimpleWindow(display, root, 0, 0, 8, 8, 0, 0, 0);
                XMapWindow(display, window);
            }
            XFlush(display);
            for (Window window : windows) {
                XDestroyWindow(display, window);
            }
            XFlush(display);
        }
        XCloseDisplay(display);
    }

    std::atomic<bool> stopping{false};
    std::thread worker;
};

} // namespace

TEST(XSessionTest, WindowsThatVanishDuringTheSearchAreSkipped)
{
    XSession x;
    ASSERT_TRUE(x.isOpen()) << "this test needs an X display";
    WindowChurn churn;

    // No window carries this process's id, so every search walks the whole
    // tree while the other client's windows come and go under it.
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (std::chrono::steady_clock::now() < deadline) {
        EXPECT_EQ(x.waitForWindowOf(getpid(), 100ms), 0u);
    }
}
