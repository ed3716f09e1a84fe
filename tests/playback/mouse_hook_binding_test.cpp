#include "playback/mouse_hook_binding.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "fake_backend.h"
#include "playback/media_device.h"
#include "test_support.h"

namespace nuko::playback {
namespace {

using test::FakeBackends;
using test::FakeMovieWindow;

// The stand-in library's record, read through a handle of the test's own
// (which also keeps its counters alive across the binding's unload).
struct HookState {
    int starts = 0, stops = 0, actions = 0, targets = 0;
    std::int32_t action = 0;
    void* target = nullptr;
    void* notify = nullptr;
};

class MouseHookBindingTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = ::dlopen((std::string(NUKO_TEST_HOOK_DIR) + "/libnu_32mhk.so").c_str(), RTLD_NOW);
        ASSERT_NE(library_, nullptr) << ::dlerror();
        read_ = reinterpret_cast<decltype(read_)>(::dlsym(library_, "TestMouseHookState"));
        ASSERT_NE(read_, nullptr);
        config_.program_folder = NUKO_TEST_HOOK_DIR;
        hooks_.movie_window = [this](void*) { return std::make_unique<FakeMovieWindow>(&windows_); };
    }
    void TearDown() override {
        if (library_) ::dlclose(library_);
    }
    HookState State() {
        HookState s;
        read_(&s.starts, &s.stops, &s.actions, &s.targets, &s.action, &s.target, &s.notify);
        return s;
    }

    void* library_ = nullptr;
    void (*read_)(int*, int*, int*, int*, std::int32_t*, void**, void**) = nullptr;
    FakeBackends backends_;
    MediaDeviceConfig config_;
    MediaDeviceHooks hooks_;
    int windows_ = 0;
};

TEST_F(MouseHookBindingTest, TheFirstMovieLoadsAndStartsItAndTheLastDeviceStopsIt) {
    test::TempDir dir;
    test::WriteBytes(dir.File("m.avi"), "x");
    int owner = 0;
    HookState before = State();
    EXPECT_FALSE(MouseHookUse::Loaded());
    {
        // Made with the player's start: the hook waits for a movie.
        MediaDevice first(backends_, config_, hooks_);
        EXPECT_FALSE(MouseHookUse::Loaded());
        EXPECT_EQ(State().starts, before.starts);
        ASSERT_EQ(first.Open(MediaKind::Movie, dir.File("m.avi"), &owner), 0);
        EXPECT_TRUE(MouseHookUse::Loaded());
        EXPECT_EQ(State().starts, before.starts + 1);
        {
            // The check dialog's temporary device shares it and starts nothing.
            MediaDevice second(backends_, config_, hooks_);
            EXPECT_EQ(MouseHookUse::UseCount(), 1);
            ASSERT_EQ(second.Open(MediaKind::Movie, dir.File("m.avi"), &owner), 0);
            EXPECT_EQ(MouseHookUse::UseCount(), 2);
            EXPECT_EQ(State().starts, before.starts + 1);
        }
        EXPECT_TRUE(MouseHookUse::Loaded());
        EXPECT_EQ(State().stops, before.stops);
    }
    EXPECT_FALSE(MouseHookUse::Loaded());
    EXPECT_EQ(MouseHookUse::UseCount(), 0);
    EXPECT_EQ(State().stops, before.stops + 1);
}

TEST_F(MouseHookBindingTest, MoviesThroughTheUniversalBackEndAreTargeted) {
    test::TempDir dir;
    test::WriteBytes(dir.File("m.avi"), "x");
    int owner = 0;
    {
        MediaDevice device(backends_, config_, hooks_);
        HookState before = State();
        ASSERT_EQ(device.Open(MediaKind::Movie, dir.File("m.avi"), &owner), 0);
        HookState after = State();
        EXPECT_EQ(after.actions, before.actions + 1);
        EXPECT_EQ(after.action, 0xF060);
        // The frame's and the owner's native windows, as the X server knows them.
        EXPECT_EQ(after.target, reinterpret_cast<void*>(std::uintptr_t{0x4240}));
        EXPECT_EQ(after.notify, reinterpret_cast<void*>(std::uintptr_t{0x4000}));
    }
    config_.active_movie = false;
    MediaDevice device(backends_, config_, hooks_);
    HookState before = State();
    ASSERT_EQ(device.Open(MediaKind::Movie, dir.File("m.avi"), &owner), 0);
    HookState after = State();
    EXPECT_EQ(after.actions, before.actions);
    EXPECT_EQ(after.targets, before.targets + 1);
    EXPECT_EQ(after.target, nullptr);
    EXPECT_EQ(after.notify, nullptr);
}

TEST(MouseHookBindingMissingTest, AMissingLibraryOrFunctionTurnsTheFeatureOff) {
    {
        MouseHookUse use("/nonexistent/");
        EXPECT_FALSE(MouseHookUse::Loaded());
        MouseHookUse::SetAction(1);  // nothing to call, nothing happens
        MouseHookUse::SetTargetWindow(nullptr, nullptr);
    }
    MouseHookUse use(std::string(NUKO_TEST_INCOMPLETE_HOOK_DIR) + "/");
    EXPECT_FALSE(MouseHookUse::Loaded());
}

}  // namespace
}  // namespace nuko::playback
