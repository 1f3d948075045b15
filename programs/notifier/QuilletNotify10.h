// The HotSync notifier: HotSync loads this library and calls HS_Notify at
// each stage of a synchronisation, so that a running main program lets go of
// the user's store before the conduit works on it and reloads it afterwards.
#pragma once

#include <cstdint>

extern "C" {

// Always 0.
__attribute__((visibility("default"))) int32_t GetNotifierVersion();

// `type`: the HotSync stage 0 to 4; `param` is passed through. Returns 1 or
// 0: see the table in QuilletNotify10.cpp.
__attribute__((visibility("default"))) int32_t HS_Notify(int32_t type, int32_t param);

}
