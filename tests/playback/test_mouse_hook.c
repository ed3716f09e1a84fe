/* A stand-in for the mouse hook library that only counts what it is asked,
 * so the player's binding can be tested before the library exists. Built
 * twice: whole, and without MouseHookSetCaption (NUKO_INCOMPLETE). */
#include <stdint.h>

static int g_starts, g_stops, g_actions, g_targets;
static int32_t g_action;
static void* g_target;
static void* g_notify;

void* MouseHookStart(void) { ++g_starts; return &g_starts; }
int32_t MouseHookStop(void) { ++g_stops; return 1; }
void* MouseHookSetTargetWindow(void* target, void* notify) {
    ++g_targets;
    g_target = target;
    g_notify = notify;
    return target;
}
int32_t MouseHookSetAction(int32_t action) {
    ++g_actions;
    g_action = action;
    return action;
}
#ifndef NUKO_INCOMPLETE
int32_t MouseHookSetCaption(int32_t flag) { return flag; }
#endif
int16_t MouseHookVersion(void) { return 100; }

/* For the test: what was asked so far. */
void TestMouseHookState(int* starts, int* stops, int* actions, int* targets, int32_t* action, void** target,
                        void** notify) {
    *starts = g_starts;
    *stops = g_stops;
    *actions = g_actions;
    *targets = g_targets;
    *action = g_action;
    *target = g_target;
    *notify = g_notify;
}
