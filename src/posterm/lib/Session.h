#pragma once
// One connected terminal: builds the requests of the six calls, sends them
// over its transport and turns the answers into results.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "Transport.h"
#include "codec/ConnectParams.h"

namespace posterm {

class Session {
public:
    // Opens the transport and asks the terminal for its device data; empty
    // pointer when either fails.
    static std::unique_ptr<Session> connect(const ConnectParams& params);

    int info(char* buffer, int size, const char* items);
    int count(const char* table, const char* filter);
    int append(const char* table, const char* data);
    int query(char* buffer, int size, const char* table, const char* fields, const char* filter,
              const char* options);

private:
    Session(std::unique_ptr<Transport> transport, std::string authorization);
    // kOk with the answer of status 200, else the call's failure result.
    int call(const char* method, const std::string& target, std::string_view body, HttpAnswer& answer);

    std::mutex m_mutex; // calls on one handle from several threads run one at a time
    std::unique_ptr<Transport> m_transport;
    std::string m_authorization;
};

// Program folder: MEAL_HOME when set, else the running executable's folder;
// ~/.config/mealpos for a program installed under /usr.
std::string programFolder();

} // namespace posterm
