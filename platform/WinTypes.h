#pragma once
// The few Windows scalar types and constants that the program's code is written against.
// Kept Qt-free so that the engine and its tests build without a display.

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using USHORT = std::uint16_t;
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using UINT = unsigned int;
using IPAddr = std::uint32_t; // IPv4 address, network byte order in memory
using HANDLE = void*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Windows error codes that cross the stand-ins.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_IO_PENDING = 997;
constexpr DWORD ERROR_CANCELLED = 1223;

// A blocking call cut off by WSACancelBlockingCall.
constexpr DWORD WSAEINTR = 10004;
// The machine has no route to the network (of the address's family, say).
constexpr DWORD WSAENETUNREACH = 10051;
// No way to the host (its neighbour does not answer, say).
constexpr DWORD WSAEHOSTUNREACH = 10065;

// Windows Sockets resolver errors: 11000 + h_errno.
constexpr DWORD WSABASEERR_HOST = 11000;
constexpr DWORD WSAHOST_NOT_FOUND = 11001;
constexpr DWORD WSATRY_AGAIN = 11002;
constexpr DWORD WSANO_RECOVERY = 11003;
constexpr DWORD WSANO_DATA = 11004;

// IP_STATUS values of the echo library.
constexpr DWORD IP_SUCCESS = 0;
constexpr DWORD IP_BUF_TOO_SMALL = 11001;
constexpr DWORD IP_DEST_NET_UNREACHABLE = 11002;
constexpr DWORD IP_DEST_HOST_UNREACHABLE = 11003;
constexpr DWORD IP_DEST_PROT_UNREACHABLE = 11004;
constexpr DWORD IP_DEST_PORT_UNREACHABLE = 11005;
constexpr DWORD IP_NO_RESOURCES = 11006;
constexpr DWORD IP_BAD_OPTION = 11007;
constexpr DWORD IP_HW_ERROR = 11008;
constexpr DWORD IP_PACKET_TOO_BIG = 11009;
constexpr DWORD IP_REQ_TIMED_OUT = 11010;
constexpr DWORD IP_BAD_REQ = 11011;
constexpr DWORD IP_BAD_ROUTE = 11012;
constexpr DWORD IP_TTL_EXPIRED_TRANSIT = 11013;
constexpr DWORD IP_TTL_EXPIRED_REASSEM = 11014;
constexpr DWORD IP_PARAM_PROBLEM = 11015;
constexpr DWORD IP_SOURCE_QUENCH = 11016;
constexpr DWORD IP_BAD_DESTINATION = 11018;
constexpr DWORD IP_GENERAL_FAILURE = 11050;
// The names the IPv6 echo call gives some of them, and its own.
constexpr DWORD IP_DEST_NO_ROUTE = 11002;
constexpr DWORD IP_DEST_ADDR_UNREACHABLE = 11003;
constexpr DWORD IP_DEST_PROHIBITED = 11004;
constexpr DWORD IP_HOP_LIMIT_EXCEEDED = 11013;
constexpr DWORD IP_REASSEMBLY_TIME_EXCEEDED = 11014;
constexpr DWORD IP_PARAMETER_PROBLEM = 11015;
constexpr DWORD IP_DEST_UNREACHABLE = 11040;
constexpr DWORD IP_TIME_EXCEEDED = 11041;
constexpr DWORD IP_DEST_SCOPE_MISMATCH = 11045;
