// The requests vtweb answers, without sockets: the security checks (the
// secret, the Host, the Origin, the method, the body's size and kind), the
// routes to the page, the file's records and the edits of record_edits.h,
// and the headers of every answer. The HTTP
// layer (http_server.h) only turns bytes into an HttpRequest and an
// HttpResponse into bytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "vtweb_state.h"

namespace vantor::vtweb {

using HttpHeaders = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
  std::string method;  // "GET", ...
  std::string target;  // "/api/landmarks", "/?key=..."
  HttpHeaders headers;
  std::string body;
};

struct HttpResponse {
  int status = 200;
  HttpHeaders headers;
  std::string body;
};

// The largest request body taken; a larger one is answered 413 before it
// is read.
constexpr size_t kMaxRequestBody = 16 * 1024;

// The answer to one request: never throws.
HttpResponse AnswerRequest(const VtwebState& s, const HttpRequest& request);

// A refusal with its reason as text: 400 for a request that is no HTTP,
// 413 for a body over the limit, ...
HttpResponse Refusal(int status, std::string_view reason);

// The value of a header (names compared without regard to case); nothing
// when the request has none.
std::optional<std::string> HeaderValue(const HttpHeaders& headers, std::string_view name);

// An answer of JSON text with the headers of every answer.
HttpResponse JsonAnswer(int status, std::string json);

}  // namespace vantor::vtweb
