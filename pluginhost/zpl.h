/* zpl.h - the contract between the Zuvo robot (the host) and a plug-in (a .zpl DLL).
 *
 * A plug-in is a DLL named *.zpl under the robot's "libzpl" folder. It exports one function
 * by its undecorated name, GetZpl, which the host calls once after every load with the
 * address of GetHostFunction; GetZpl answers with the address of a PluginInfo record, or 0
 * when the DLL is not a usable plug-in. Through the record the host finds the plug-in's
 * entry points; through GetHostFunction the plug-in finds the five host functions.
 *
 * Conventions on both sides:
 *  - Every routine uses ZPL_CALL (stdcall on 32-bit Windows, the default elsewhere).
 *  - Every text is a NUL-terminated byte string in code page 936 (GBK).
 *  - Memory is never freed across the boundary: each side frees only what it allocated.
 *  - A record slot or a text argument of 0 means an empty text.
 *  - The record is 15 pointer-sized slots: 60 bytes on 32-bit Windows, 120 on 64-bit builds.
 *
 * Threads: GetZpl and onSettings run on the robot's window thread. onMessage, onStatus and
 * onFriendRequest run on the robot's poll threads, several at once, so one entry point may
 * run concurrently with itself; protect any state you keep. Host functions may be called from
 * any thread, including threads the plug-in starts.
 *
 * Lifetime: the host loads the DLL, calls GetZpl, copies the record and its five texts at
 * once, and may unload the DLL right away (to list it) or keep it loaded while the user has
 * the plug-in enabled. There is no start or stop call; the DLL's own load and unload
 * notifications are the only signals. Entry points are called only between the GetZpl of a
 * load and the unload, and the host never unloads the DLL while one of its entry points,
 * or a host function called from it, is running.
 */
#ifndef ZUVO_ZPL_H
#define ZUVO_ZPL_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define ZPL_CALL __stdcall
#else
#define ZPL_CALL
#endif

/* Marks GetZpl for export. On Windows name it in the DLL's .def file as well, so that the
 * 32-bit export is "GetZpl", not "GetZpl@4". */
#if defined(_WIN32)
#define ZPL_EXPORT __declspec(dllexport)
#else
#define ZPL_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The value of PluginInfo.group that makes a system plug-in: it also receives events while
 * the robot is stopped. Any other value makes an extension plug-in, which receives events
 * only while the robot runs. */
#define SystemPluginGroup (-257)

/* Message kinds: the kind argument of onMessage and of ApiSendMessage, and what source and
 * sender hold for each. All ids are decimal texts exactly as the service sent them. */
enum ZplMessageKind {
  ZplKindFriend = 0,     /* source: friend uin; sender: the same uin */
  ZplKindGroup = 1,      /* source: group uin (gid); sender: member uin */
  ZplKindTemporary = 2,  /* source: uin of the group the session came through; sender: sender uin */
  ZplKindDiscussion = 3  /* source: discussion id (did); sender: member uin */
};

/* Status codes of onStatus. */
enum ZplStatusCode {
  ZplStatusForcedOffline = 0,  /* text: the service's reason */
  ZplStatusSessionEnded = 121  /* text: the whole poll reply; the host logs in again */
};

/* Numbers for GetHostFunction. */
enum ZplHostFunctionNumber {
  ZplApiSendMessage = 0,
  ZplApiGetNumber = 1,
  ZplApiGetStrangerInfo = 2,
  ZplApiAddLogLine = 3,
  ZplApiAnswerFriendRequest = 4
};

/* The information record GetZpl returns. Every slot is an intptr_t; texts and routines are
 * stored as their addresses. The record and its texts belong to the plug-in: the host copies
 * them as soon as GetZpl returns and never writes or frees them, so they need to stay valid
 * only until then (keeping them for the whole load is simplest). */
typedef struct PluginInfo {
  intptr_t versionMajor;    /* shown before the "." of the version */
  intptr_t versionMinor;    /* shown after the "." */
  intptr_t reservedA;       /* not read; put 2 */
  intptr_t reservedB;       /* not read; put 0 */
  intptr_t name;            /* const char*, plug-in's memory: label in the plug-in list */
  intptr_t description;     /* const char*, plug-in's memory */
  intptr_t author;          /* const char*, plug-in's memory */
  intptr_t email;           /* const char*, plug-in's memory */
  intptr_t otherInfo;       /* const char*, plug-in's memory: put the usage here */
  intptr_t onMessage;       /* ZplOnMessage or 0 */
  intptr_t onStatus;        /* ZplOnStatus or 0 */
  intptr_t onFriendRequest; /* ZplOnFriendRequest or 0 */
  intptr_t hasSettings;     /* non-zero: the plug-in menu offers the settings command */
  intptr_t onSettings;      /* ZplOnSettings or 0 */
  intptr_t group;           /* SystemPluginGroup or any other value (extension) */
} PluginInfo;

#if defined(_WIN32) && !defined(_WIN64)
#ifdef __cplusplus
static_assert(sizeof(PluginInfo) == 60, "the 32-bit record is 15 slots of 4 bytes");
#else
_Static_assert(sizeof(PluginInfo) == 60, "the 32-bit record is 15 slots of 4 bytes");
#endif
#endif

/* GetHostFunction(n): the address of host function n for 0 <= n <= 4, else 0. The addresses
 * stay the same for the whole run. */
typedef intptr_t(ZPL_CALL* ZplGetHostFunction)(int32_t n);

/* The plug-in's one export, "GetZpl". hostFunctions is the address of GetHostFunction (cast
 * it to ZplGetHostFunction and keep it). Answers the address of a PluginInfo, 0 for "not a
 * plug-in". */
typedef intptr_t(ZPL_CALL* ZplGetZpl)(intptr_t hostFunctions);

/* Entry points. Their text arguments belong to the host and are valid only during the call
 * (copy what you keep); they are never 0. Results are ignored. */
typedef int32_t(ZPL_CALL* ZplOnMessage)(int32_t kind, const char* source, const char* sender,
                                        const char* content);
typedef int32_t(ZPL_CALL* ZplOnStatus)(int32_t code, const char* text);
typedef int32_t(ZPL_CALL* ZplOnFriendRequest)(const char* account, const char* fromUin,
                                              const char* message);
/* owner: the main window's handle, usable as the owner of a dialog. */
typedef int32_t(ZPL_CALL* ZplOnSettings)(intptr_t owner);

/* Host functions. Text arguments belong to the plug-in; the host copies them before it
 * returns, and 0 counts as an empty text. */

/* 0: queue a message as the robot queues its replies (same shake keyword and blocking
 * rules). To answer a message pass back its kind, source and sender as target and member;
 * member is used for kind 2 only. True while the robot runs, false (nothing queued) while it
 * is stopped. */
typedef int32_t(ZPL_CALL* ZplApiSendMessageFunction)(int32_t kind, const char* target,
                                                     const char* member, const char* content);
/* 1: type 0, the QQ number of uin id; type 1, the group number of group code id. "" when it
 * cannot be resolved.
 * 2: type 0, the nickname of uin; type 1, its location.
 * 4: action 1 accept and add account to friend category category with the remark name
 * remark; 2 accept; 3 refuse with the message reason; other actions do nothing and give "".
 * The results of 1, 2 and 4 belong to the host: each function keeps its last result per
 * calling thread, valid until the same thread calls the same function again. Copy a result
 * you want to keep; never free it. */
typedef const char*(ZPL_CALL* ZplApiGetNumberFunction)(int32_t type, const char* id);
typedef const char*(ZPL_CALL* ZplApiGetStrangerInfoFunction)(int32_t type, const char* uin);
typedef const char*(ZPL_CALL* ZplApiAnswerFriendRequestFunction)(int32_t action,
                                                                 const char* account,
                                                                 const char* remark,
                                                                 int32_t category,
                                                                 const char* reason);
/* 3: adds one row with the current time to the robot's message view. The result carries no
 * information. */
typedef int32_t(ZPL_CALL* ZplApiAddLogLineFunction)(const char* source, const char* content);

#ifdef __cplusplus
}
#endif

#endif /* ZUVO_ZPL_H */
