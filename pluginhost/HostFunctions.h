// The five host functions plug-ins call, and GetHostFunction that hands out their addresses.
// They act on one bound engine; unbound, each answers its failure value (false, "", 0).
#pragma once

#include <cstdint>

#include "pluginhost/zpl.h"

struct RobotEngine;

// Window thread. Binds the engine the host functions act on (null unbinds). Waits for host
// calls already running on the old binding, so the old engine may be destroyed afterwards.
void BindPluginHost(RobotEngine* engine);

// Any thread. The address of host function n (0-4), 0 for any other n.
extern "C" intptr_t ZPL_CALL GetHostFunction(int32_t n);

// Host function calls running right now on threads that are not inside a counted plug-in
// routine (threads a plug-in started itself). No released DLL is freed while this is above
// 0, since the call may have come from it. Calls made inside a routine the plug-in list is
// counting are covered by that count instead, so busy plug-ins cannot hold releases back.
int HostCallsInProgress();

// Brackets a plug-in routine the plug-in list counts, on the calling thread; nests.
void EnterCountedPluginRoutine();
void LeaveCountedPluginRoutine();
