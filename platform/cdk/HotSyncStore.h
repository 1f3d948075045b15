// Where the HotSync stand-ins keep their state in the registry store, so
// that the Conduit Manager library (which writes the registrations), the
// HotSync API library and the quillet-hotsync program (which reads them)
// agree.
//
//   ...\Pilot Desktop\HotSync Manager            ProcessId, SyncStatus (REG_DWORD),
//                                                ConduitInfoRefreshes (REG_DWORD)
//   ...\Pilot Desktop\HotSync Manager\Notifiers  "0", "1", ... (REG_SZ paths, in
//                                                registration order)
//   ...\Pilot Desktop\HotSync Manager\Conduits\CCCC  one key per creator code:
//                                                Type, Priority, Integrate (REG_DWORD),
//                                                Name, Directory, File, Remote,
//                                                Module, Info (REG_SZ)
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"

namespace qplat::hotsync {

inline constexpr char kManagerKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager";
inline constexpr char kNotifiersKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager\\Notifiers";
inline constexpr char kConduitsKey[] = "Software\\U.S. Robotics\\Pilot Desktop\\HotSync Manager\\Conduits";

// True for exactly four printable ASCII characters, none a path separator.
bool IsValidCreator(const char* creator);

// The registered notifier paths, in registration order.
LONG ListNotifiers(std::vector<std::string>* paths);
// Appends `path` unless it is registered already (paths compare byte for byte).
LONG AddNotifier(const std::string& path);
// ERROR_FILE_NOT_FOUND when `path` is not registered.
LONG RemoveNotifier(const std::string& path);

struct Conduit {
  std::string creator;
  std::map<std::string, uint32_t> numbers;     // Type, Priority, Integrate
  std::map<std::string, std::string> texts;    // Name, Directory, File, ...
};
LONG ListConduits(std::vector<Conduit>* conduits);
// ERROR_FILE_NOT_FOUND when no conduit has that creator code.
LONG FindConduit(const std::string& creator, Conduit* conduit);

// The manager's state as the quillet-hotsync program publishes it.
struct ManagerState {
  uint32_t processId = 0;  // 0: not running
  uint32_t syncStatus = 0;
  uint32_t refreshes = 0;
};
LONG ReadManagerState(ManagerState* state);
// The running manager's own updates.
LONG PublishManagerState(uint32_t processId, uint32_t syncStatus);

}  // namespace qplat::hotsync
