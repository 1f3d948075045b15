// The Palm Desktop user library as the programs call it: one shared library
// (libUserData.so in the install folder, standing in for UserData.dll),
// loaded at run time and asked for its functions by name.
//
// Users are kept in the registry store under
// "Software\U.S. Robotics\Pilot Desktop\Users": one subkey per user, named
// by the user id in ten decimal digits (so that the list keeps the order
// the users were added in), with "Name" and "Directory" (REG_SZ) and, when
// the user has one, "Password" (REG_BINARY, the 16-byte MD5 digest of the
// password's bytes).
#pragma once

#include <cstdint>

extern "C" {

// Results of the calls that report one.
enum : int32_t {
  kUmOk = 0,
  kUmNotFound = -1,        // no user with that position or id
  kUmBufferTooSmall = -2,  // *size tells the size needed, zero included
  kUmBadArgument = -3,
  kUmStoreError = -4,      // the registry store refused
};

// Number of users.
uint16_t UmGetUserCount(void);
// The id of the user at `index` into *userId.
int32_t UmGetUserID(uint16_t index, uint32_t* userId);
// The user's name, zero-terminated; on entry *size is the buffer's size.
int32_t UmGetUserName(uint32_t userId, char* buffer, int32_t* size);
// The user's folder name, relative to the Palm Desktop data folder
// ("Path" of the Core key), without a trailing separator.
int32_t UmGetUserDirectory(uint32_t userId, char* buffer, int32_t* size);
// The id of the user whose folder is `folder` (a folder name or a path
// ending in it) into *userId when userId is not null.
int32_t UmGetIDFromPath(const char* folder, uint32_t* userId);
// 0 when the user has no password. 1 when the user has one, with the
// stored password form (16 bytes) in the buffer and *size set to its
// length; a buffer under 16 bytes gets nothing and returns
// kUmBufferTooSmall. kUmNotFound for an unknown user and kUmStoreError when
// the users cannot be read: never 0, which would let anyone in.
int32_t UmGetUserPassword(uint32_t userId, uint8_t* buffer, int32_t* size);

}  // extern "C"

// Function types, for looking the functions up with dlsym.
using UmGetUserCountFn = uint16_t (*)(void);
using UmGetUserIDFn = int32_t (*)(uint16_t, uint32_t*);
using UmGetUserNameFn = int32_t (*)(uint32_t, char*, int32_t*);
using UmGetUserDirectoryFn = int32_t (*)(uint32_t, char*, int32_t*);
using UmGetIDFromPathFn = int32_t (*)(const char*, uint32_t*);
using UmGetUserPasswordFn = int32_t (*)(uint32_t, uint8_t*, int32_t*);

// The library's file name in the install folder.
inline constexpr const char kUserDataLibrary[] = "libUserData.so";

// What a program says when the library cannot be loaded or lacks one of its
// functions: the file it looked for and how to get it back.
// (Marked for the catalogue: the programs show it translated.)
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif
inline constexpr const char kUserDataLoadFailed[] = QT_TRANSLATE_NOOP("UserData",
    "Unable to load the Palm Desktop user library (libUserData.so).\n\n"
    "It is installed with Quillet! beside its other libraries; installing the quillet package again "
    "brings it back.");
