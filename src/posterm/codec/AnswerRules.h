#pragma once
// How the library turns a terminal's answer into the result of a call, kept
// apart from the transports so every rule can be checked on plain texts.
#include <cstddef>
#include <string_view>

namespace posterm {

enum Result : int {
    kOk = 0,
    kNoConnection = -1, // no connection or time-out
    kRefused = -2,      // wrong name or password
    kMalformed = -3,    // malformed request or answer
    kUnknownTable = -4,
    kBufferTooSmall = -5,
    kOtherStatus = -6,
};

// 200 -> kOk, 401 -> kRefused, 400 -> kMalformed, 404 -> kUnknownTable, else kOtherStatus.
int resultForStatus(int status);

// Zero-fills buffer[0..size) and copies `answer` with a terminating zero when
// both fit; kBufferTooSmall otherwise (nothing written past `size`; a size of
// 0 never fits). kMalformed for a null buffer, a negative size or an answer
// holding a zero byte (the caller would read it cut short).
int copyAnswer(char* buffer, int size, std::string_view answer);

// "count=<n>" on the first line; kMalformed when it is not there.
int countFromAnswer(std::string_view body);
// "records=<n>" first, then the header line; the record count or kMalformed.
int recordsFromAnswer(std::string_view body);
// First line "OK".
bool isInfoAnswer(std::string_view body);
// "appended=<n>" line; the number of records stored, or kMalformed.
int appendedFromAnswer(std::string_view body);

} // namespace posterm
