// The HotSync development-kit libraries as the installer calls them: three
// shared libraries of ours (libinstaide.so, libCondMgr.so, libHsApi.so),
// loaded at run time and asked for their functions by name. Their state
// lives in the registry store (HotSyncStore.h) and, for queued handheld
// installs, in the Palm user's folder.
#pragma once

#include <cstdint>

extern "C" {

// Conduit Manager results: 0 success, these on failure.
enum : int32_t {
  kCmErrUnknown = -1000,
  kCmErrIndexOutOfRange = -1001,
  kCmErrUnableToDelete = -1002,
  kCmErrNotInstalled = -1003,
  kCmErrNoMemory = -1004,
  kCmErrCreatorInUse = -1005,
  kCmErrRegistryAccess = -1006,
  kCmErrUnableToCreate = -1007,
  kCmErrUnableToSetValue = -1008,
  kCmErrInvalidHandle = -1009,
  kCmErrBufferTooSmall = -1010,
  kCmErrValueNotFound = -1011,
  kCmErrInvalidCreator = -1012,
  kCmErrInvalidPointer = -1013,
  kCmErrUnableToInstall = -1014,
  kCmErrInvalidConduitType = -1015,
  kCmErrInvalidComPort = -1016,
  kCmErrNoLongerSupported = -1017,
};

// Conduit types accepted by CmInstallCreator.
enum : int32_t {
  kCmConduitApplication = 1,
};

// libinstaide.so: Palm users and the handheld install queue.
// Number of users, negative when they cannot be read.
int32_t PltGetUserCount(void);
// The name of the user at `index`, zero-terminated; *size is the buffer's
// size on entry and the length used (zero included) on return. -1 for an
// index past the end, -2 for a small buffer (nothing copied).
int32_t PltGetUser(uint32_t index, char* name, int32_t* size);
// Queues `file` (relative to the current folder, or a full path) for the
// user's next HotSync: a copy goes into "Install/" of the user's folder.
// 0, or negative when the user or the file is unknown or the copy failed.
int32_t PltInstallFile(const char* user, const char* file);

// libCondMgr.so: conduit and notifier registration. `creator` is the
// four-character creator code.
int32_t CmGetHotSyncExecPath(char* path, int32_t* size);
int32_t CmRemoveConduitByCreatorID(const char* creator);
int32_t CmInstallCreator(const char* creator, int32_t type);
int32_t CmSetCreatorName(const char* creator, const char* conduitPath);
int32_t CmSetCreatorDirectory(const char* creator, const char* folder);
int32_t CmSetCreatorFile(const char* creator, const char* file);
int32_t CmSetCreatorRemote(const char* creator, const char* database);
int32_t CmSetCreatorModule(const char* creator, const char* module);
int32_t CmSetCreatorPriority(const char* creator, int32_t priority);
int32_t CmSetCreatorInfo(const char* creator, const char* info);
int32_t CmSetCreatorIntegrate(const char* creator, int32_t integrate);
int32_t NmRegister(const char* notifierPath);
int32_t NmUnregister(const char* notifierPath);

// libHsApi.so: the HotSync manager's state.
// 0 when the manager is running.
int32_t HsCheckApiStatus(void);
// 0 with *status 0 when no synchronisation is under way, 1 during one.
int32_t HsGetSyncStatus(uint32_t* status);
// Asks a running manager to reread its conduit list. 0, or -1 when none runs.
int32_t HsRefreshConduitInfo(void);

}  // extern "C"

using PltGetUserCountFn = int32_t (*)(void);
using PltGetUserFn = int32_t (*)(uint32_t, char*, int32_t*);
using PltInstallFileFn = int32_t (*)(const char*, const char*);
using CmGetHotSyncExecPathFn = int32_t (*)(char*, int32_t*);
using CmCreatorFn = int32_t (*)(const char*);
using CmCreatorTextFn = int32_t (*)(const char*, const char*);
using CmCreatorNumberFn = int32_t (*)(const char*, int32_t);
using NmPathFn = int32_t (*)(const char*);
using HsStatusFn = int32_t (*)(void);
using HsGetSyncStatusFn = int32_t (*)(uint32_t*);

// File names of the libraries in a folder.
inline constexpr char kInstAideLibrary[] = "libinstaide.so";
inline constexpr char kCondMgrLibrary[] = "libCondMgr.so";
inline constexpr char kHsApiLibrary[] = "libHsApi.so";
