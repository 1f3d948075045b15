// libQuilletConduit10.so: a placeholder for the HotSync conduit, which is
// made and shipped outside this project. It exists so that the install
// folder holds a conduit library to register; the quillet-hotsync program
// never runs conduits, so it does nothing.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t GetConduitVersion() { return 0x0100; }
