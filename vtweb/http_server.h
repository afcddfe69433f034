// The HTTP layer: requests read from the loopback address and answered by a
// function of our own. All of Boost.Beast and Asio stays behind this header,
// in http_server.cpp alone (its compile time).
#pragma once

#include <cstdint>
#include <functional>

#include "web_requests.h"

namespace vantor::vtweb {

// Listens on 127.0.0.1 at `port` (a free one when 0), tells `listening` the
// port before the first request is taken, then answers every request with
// `answer` until the program is ended; one thread serves every connection.
// A port that cannot be had is refused (exit code 1). A request that is no
// HTTP is answered 400, a body over kMaxRequestBody 413.
void Serve(uint16_t port, const std::function<void(uint16_t port)>& listening,
           const std::function<HttpResponse(const HttpRequest&)>& answer);

}  // namespace vantor::vtweb
