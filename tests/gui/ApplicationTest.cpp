#include <gtest/gtest.h>

#include <vector>

#include "Application.h"
#include "FrameworkTimer.h"
#include "GSysMemoryException.h"
#include "GSystemException.h"
#include "IdleTask.h"

namespace {

struct Recorder : FrameworkTimer, IdleTask {
    explicit Recorder(std::vector<int>& log, int tag) : events(log), id(tag) {}
    void onTimer() override { events.push_back(id); }
    void onIdle() override { events.push_back(-id); }
    std::vector<int>& events;
    int id;
};

}  // namespace

TEST(Application, ResourceFolderSitsBesideTheModule) {
    Application app(ApplicationDescriptor{"Corvale2_VST", "", "Res", "", "/opt/vst/orvane.so"});
    EXPECT_EQ(app.resourceDirectory(), "/opt/vst/Res/");
    Application explicitPath(ApplicationDescriptor{"x", "", "Res", "/data/res/", "/opt/a.so"});
    EXPECT_EQ(explicitPath.resourceDirectory(), "/data/res/");
}

TEST(Application, StartSetsTheDefaultTextStyleAndLoadsModules) {
    Application app(ApplicationDescriptor{"Corvale2_VST", "", "Res",
                                          std::string(ORVANE_TEST_MODULE_DIR) + "/", ""});
    ASSERT_TRUE(app.start());
    EXPECT_FLOAT_EQ(app.defaultTextStyle().size, 9.0f);
    EXPECT_EQ(app.defaultTextStyle().placement, 5);
    EXPECT_EQ(app.externals().count(), 2u);
    app.shutDown();
    EXPECT_EQ(app.externals().count(), 0u);
}

TEST(Application, IdleStepFiresDueTimersThenRunsIdleTasks) {
    Application app(ApplicationDescriptor{});
    std::vector<int> log;
    Recorder fast(log, 1);
    Recorder slow(log, 2);
    fast.intervalMs = 10;
    slow.intervalMs = 100;
    slow.lastFiredMs = 1000;
    app.addTimer(&fast);
    app.addTimer(&slow);
    app.addIdleTask(&fast);
    app.idleStep(1005);  // fast is due (never fired), slow is not
    EXPECT_EQ(log, (std::vector<int>{1, -1}));
    log.clear();
    app.idleStep(1014);  // 9 ms after fast fired: not yet
    EXPECT_EQ(log, (std::vector<int>{-1}));
    log.clear();
    app.idleStep(1100);
    EXPECT_EQ(log, (std::vector<int>{1, 2, -1}));
    log.clear();
    fast.FrameworkTimer::running = false;
    fast.IdleTask::running = false;
    app.removeTimer(&slow);
    app.idleStep(5000);
    EXPECT_TRUE(log.empty());
}

TEST(SystemErrors, OutOfMemoryCodesAndOthers) {
    EXPECT_THROW(GSystemException::raise(8), GSysMemoryException);
    EXPECT_THROW(GSystemException::raise(14), GSysMemoryException);
    try {
        GSystemException::raise(8);
    } catch (const GSysMemoryException& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
#if !defined(_WIN32)  // the Windows texts are checked by the Win32 suite
    try {
        GSystemException::raise(2);  // ENOENT on this platform
        FAIL();
    } catch (const GSystemException& e) {
        EXPECT_STREQ(e.what(), "No such file or directory");
    }
#endif
}
