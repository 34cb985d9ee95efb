// The exports of UinBook, the per-process map between QQ numbers and session uins.
// Texts are NUL-terminated GBK; a null pointer counts as an empty text. Any thread may call.
#pragma once

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define UINBOOK_CALL __stdcall
#else
#define UINBOOK_CALL
#endif

#if defined(_WIN32)
#define UINBOOK_EXPORT
#else
#define UINBOOK_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {

// Stores (number, uin): a known number keeps its place and takes the new uin. Always 1.
UINBOOK_EXPORT int32_t UINBOOK_CALL AddQQUin(const char* number, const char* uin);
// The uin stored for `number`, or "" when there is none.
UINBOOK_EXPORT const char* UINBOOK_CALL GetQQUin(const char* number);
// The number of the oldest pair whose uin is `uin`, or "" when there is none.
UINBOOK_EXPORT const char* UINBOOK_CALL UinBookQQ(const char* uin);
}

// The results of GetQQUin and UinBookQQ belong to the library: each stays valid until the
// same thread calls the same function again. Copy what you keep; never free it.
using AddQQUinFunction = int32_t(UINBOOK_CALL*)(const char* number, const char* uin);
using GetQQUinFunction = const char*(UINBOOK_CALL*)(const char* number);
using UinBookQQFunction = const char*(UINBOOK_CALL*)(const char* uin);
