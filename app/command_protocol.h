#pragma once
// The request that "Tarvik status" and "Tarvik keepawake" send to the
// running copy, and its reply, both as WM_COPYDATA.
//
// The requester finds the core window of the running copy of its program
// name (the hash property, as a second start does) whose process runs as the
// same user, and sends the request with SendMessageTimeout. While it waits
// there, the core checks the request, does what it asks and sends the reply
// (the text to print and the exit code) back by WM_COPYDATA to the
// requester's message-only window, which the request names. The core answers
// TRUE for a request it took, FALSE for anything else, which it ignores.
//
// Both are plain structures of fixed-width fields, the same bytes for 32-
// and 64-bit programs: either may talk to the other. Whatever is not exactly
// what this version sends, in size, tag, version or any field, is ignored,
// never trusted.
#include <windows.h>

#include <string>
#include <vector>

#include "app/command_line.h"

// COPYDATASTRUCT::dwData of both. Only its low 32 bits count: the field is
// pointer-sized, and a 32-bit sender's value may reach a 64-bit receiver
// widened either way.
constexpr DWORD kCommandDataTag = 0x4B565254;
constexpr DWORD kRequestMagic = 0x51525654; // "TVRQ"
constexpr DWORD kReplyMagic = 0x50525654;   // "TVRP"
constexpr WORD kCommandVersion = 1;
// The longest reply text, in UTF-16 units: a status report is a few dozen lines.
constexpr DWORD kMaxReplyText = 32768;

struct CCommandRequest
{
    DWORD magic;   // kRequestMagic
    WORD version;  // kCommandVersion
    WORD size;     // sizeof(CCommandRequest): the whole of the data
    DWORD verb;    // a RequestVerb
    DWORD minutes; // KeepAwake: 1 to kKeepAwakeMaxMinutes, or 0 until stopped; else 0
    // The requester's window for the reply. A window handle has 32
    // significant bits in 32- and 64-bit processes alike, sign-extended.
    DWORD replyWindow;
    DWORD requestId; // the requester's choice, returned in the reply
};
static_assert(sizeof(CCommandRequest) == 24, "the request's layout is fixed");

// Followed by `textLength` UTF-16 units, no terminator.
struct CCommandReplyHeader
{
    DWORD magic;      // kReplyMagic
    WORD version;     // kCommandVersion
    WORD size;        // sizeof(CCommandReplyHeader)
    DWORD requestId;  // the request's
    DWORD exitCode;   // CommandExit::Done or, for status, CommandExit::SleepHeld
    DWORD textLength; // at most kMaxReplyText; the data's size is the header's and the text's
};
static_assert(sizeof(CCommandReplyHeader) == 20, "the reply's layout is fixed");

CCommandRequest MakeCommandRequest(RequestVerb verb, unsigned minutes, HWND replyWindow,
                                   DWORD requestId);
// The request in `data` when it is one of this version, its fields in range;
// false for anything else.
bool ReadCommandRequest(const COPYDATASTRUCT& data, CCommandRequest& request);
HWND ReplyWindowOf(const CCommandRequest& request);

// The reply's bytes.
std::vector<BYTE> MakeCommandReply(DWORD requestId, CommandExit exitCode, const std::wstring& text);
// The reply in `data` to the request `requestId`; false for anything else.
bool ReadCommandReply(const COPYDATASTRUCT& data, DWORD requestId, CommandExit& exitCode,
                      std::wstring& text);

// True when the process `processId` runs as the same user as this one. A
// desktop is shared by the programs a user starts as another user (runas
// /user:), so a window found on it may be another user's.
bool ProcessOfThisUser(DWORD processId);

// The core window of the running copy of this user whose program's file name
// has the hash `instanceHash`; null when there is none.
HWND FindRunningCore(DWORD instanceHash);
