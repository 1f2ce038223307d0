#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "Application.h"
#include "ExternalRecord.h"
#include "FrameworkTimer.h"
#include "GSysMemoryException.h"
#include "GSystemException.h"
#include "IdleTask.h"
#include "Image.h"

namespace {

struct Recorder : FrameworkTimer, IdleTask {
    explicit Recorder(std::vector<int>& log, int tag) : events(log), id(tag) {}
    void onTimer() override { events.push_back(id); }
    void onIdle() override { events.push_back(-id); }
    std::vector<int>& events;
    int id;
};

}  // namespace

TEST(Application, ResourceModulesBesideTheModule) {
    for (const auto& [module, folder] :
         {std::array<std::string, 2>{"/opt/vst/orvane.so", "/opt/vst/Res/"},
          {"C:\\vst\\orvane.dll", "C:\\vst\\Res/"}}) {
        EXPECT_EQ(Application({"", "", "Res", "", module}).resourceDirectory(), folder);
    }
    // The test folder holds alpha_Res and beta_Res (both answer "shared_name", a 1 x 1 PNG, and
    // a name of their own), gamma_Res without GetRessource and a broken_Res that is no library.
    Application app({"Corvale2_VST", "", "Res", std::string(ORVANE_TEST_MODULE_DIR) + "/", ""});
    ASSERT_TRUE(app.start());
    EXPECT_FLOAT_EQ(app.defaultTextStyle().size, 9.0f);
    EXPECT_EQ(app.defaultTextStyle().placement, 5);
    ASSERT_EQ(app.externals().count(), 2u);
    // The first loaded module answers a name both know.
    const bool alphaFirst = app.externals().modulePath(0).find("alpha_Res") != std::string::npos;
    ExternalRecord* shared = nullptr;
    ExternalRecord* own = nullptr;
    ASSERT_TRUE(app.externals().find("shared_name", &shared));
    ASSERT_TRUE(app.externals().find(alphaFirst ? "alpha_only" : "beta_only", &own));
    EXPECT_EQ(shared->data(), own->data());
    EXPECT_FALSE(app.externals().find("gamma_only", &own));
    auto image = app.images().imageNamed("shared_name", app.externals(), false);
    ASSERT_TRUE(image && image->width() == 1);
    app.shutDown();
    EXPECT_EQ(app.externals().count(), 0u);
    // Once in the table, an image no longer needs its module.
    EXPECT_EQ(app.images().imageNamed("shared_name", app.externals(), false), image);
    EXPECT_FALSE(app.images().imageNamed("alpha_only", app.externals(), false));
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
    app.idleStep(1014);  // 9 ms after fast fired: not yet
    app.idleStep(1100);
    fast.FrameworkTimer::running = false;
    fast.IdleTask::running = false;
    app.removeTimer(&slow);
    app.idleStep(5000);  // nothing runs
    EXPECT_EQ(log, (std::vector<int>{1, -1, -1, 1, 2, -1}));
}

TEST(SystemErrors, OutOfMemoryCodesAndOthers) {
    auto textOf = [](int code) -> std::string {
        try {
            GSystemException::raise(code);
        } catch (const GSysMemoryException& e) {
            return std::string("memory: ") + e.what();
        } catch (const GSystemException& e) {
            return e.what();
        }
        return "nothing thrown";
    };
    EXPECT_EQ(textOf(8), "memory: bad allocation");   // not enough memory
    EXPECT_EQ(textOf(14), "memory: bad allocation");  // out of memory
#if defined(_WIN32)
    EXPECT_NE(textOf(5).find("denied"), std::string::npos);  // ERROR_ACCESS_DENIED
    EXPECT_EQ(textOf(0x2000FFFF), "");                       // a code the system has no text for
#else
    EXPECT_EQ(textOf(2), "No such file or directory");  // ENOENT
#endif
}
