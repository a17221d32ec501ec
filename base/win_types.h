// Fixed-size integer names used across the program, so that code that talks to the
// wireless and sharing services reads like the interfaces it mirrors.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using WCHAR = char16_t;
using UINT_PTR = std::uintptr_t;
using INT_PTR = std::intptr_t;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
