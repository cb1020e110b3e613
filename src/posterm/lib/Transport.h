#pragma once
// One way of carrying a request text to a terminal and its answer back.
#include <string>

#include "codec/HttpMessage.h"

namespace posterm {

class Transport {
public:
    virtual ~Transport() = default;
    // Sends `request` and reads the whole answer. Returns kOk, kNoConnection
    // (no connection, cut answer or time-out) or kMalformed (not an answer).
    // `repeatable`: the request may be sent again when a kept-alive connection
    // turns out to be closed before any answer byte arrived.
    virtual int exchange(const std::string& request, bool repeatable, HttpAnswer& answer) = 0;
    // Text for the Host header.
    virtual std::string hostName() const = 0;
};

} // namespace posterm
