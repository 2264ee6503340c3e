// Code page conversions between the ANSI code page (936, GBK), UTF-8 and UTF-16.
#pragma once
#pragma GCC visibility push(default)
#include "windef.h"

#define CP_ACP 0    // the ANSI code page: 936
#define CP_OEMCP 1  // 936 as well
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

UINT GetACP();

// A count of -1 converts a terminated string with its terminator and counts it in the result.
// A positive count converts up to that many units but never reads past a terminating zero,
// which is converted and ends the input. An output size of 0 asks for the size needed. Results
// are in output units; 0 on failure with GetLastError set: ERROR_INVALID_PARAMETER (null input,
// count 0 or below -1, unknown code page), ERROR_INVALID_FLAGS, ERROR_INSUFFICIENT_BUFFER, or
// ERROR_NO_UNICODE_TRANSLATION for an invalid sequence under MB_ERR_INVALID_CHARS or
// WC_ERR_INVALID_CHARS. Without those flags an invalid byte sequence becomes U+FFFD and an
// unpaired surrogate becomes U+FFFD in UTF-8; a character code page 936 lacks becomes the
// default character ('?' unless given) and sets *usedDefault. For UTF-8 the default character
// and usedDefault must be null.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR target,
                        int targetChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceChars, LPSTR target,
                        int targetBytes, LPCSTR defaultChar, LPBOOL usedDefault);
#pragma GCC visibility pop
