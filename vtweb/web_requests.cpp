#include "web_requests.h"

#include <algorithm>
#include <array>
#include <exception>

#include "base/json_text.h"
#include "base/text_format.h"
#include "base/text_io.h"
#include "record_edits.h"
#include "shown_file.h"
#include "textform/json_reader.h"
#include "textform/text_form_import.h"

namespace vantor::vtweb {
namespace {

// Inline script and style only, data from this server alone.
constexpr std::string_view kContentSecurityPolicy =
    "default-src 'none'; script-src 'self' 'unsafe-inline'; style-src 'unsafe-inline'; "
    "img-src data:; connect-src 'self'; base-uri 'none'; form-action 'none'; "
    "frame-ancestors 'none'";

// Every byte compared, so that the time taken tells nothing of the secret.
bool SameSecret(std::string_view given, std::string_view secret) {
  if (given.size() != secret.size() || secret.empty()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < secret.size(); ++i)
    difference |= static_cast<unsigned char>(given[i] ^ secret[i]);
  return difference == 0;
}

HttpResponse Answer(int status, std::string contentType, std::string body) {
  HttpResponse response;
  response.status = status;
  response.headers = {
      {"Content-Type", std::move(contentType)},
      {"Content-Security-Policy", std::string(kContentSecurityPolicy)},
      {"X-Content-Type-Options", "nosniff"},
      {"Cache-Control", "no-store"},
      {"Referrer-Policy", "no-referrer"},
  };
  response.body = std::move(body);
  return response;
}

std::string CookieName(const VtwebState& s) {
  return "vtweb-" + std::to_string(s.Port);
}

// The two names of this server: DNS rebinding gives a page of another
// site this address under that site's name, which is refused.
bool IsOwnAuthority(const VtwebState& s, std::string_view authority) {
  const std::string port = ":" + std::to_string(s.Port);
  const std::string lower = LowerCase(authority);
  return lower == "127.0.0.1" + port || lower == "localhost" + port;
}

int HeaderCount(const HttpHeaders& headers, std::string_view name) {
  const std::string lower = LowerCase(name);
  return static_cast<int>(std::count_if(
      headers.begin(), headers.end(), [&](const auto& h) { return LowerCase(h.first) == lower; }));
}

// Why the request comes from no page of this server; nothing when it may.
std::optional<HttpResponse> RefusedOrigin(const VtwebState& s, const HttpRequest& request) {
  const std::optional<std::string> host = HeaderValue(request.headers, "Host");
  if (!host || HeaderCount(request.headers, "Host") != 1 || !IsOwnAuthority(s, *host))
    return Refusal(403, "refused: the Host header names no address of this server");
  if (HeaderCount(request.headers, "Origin") > 1)
    return Refusal(403, "refused: more than one Origin header");
  const std::optional<std::string> origin = HeaderValue(request.headers, "Origin");
  if (origin && !(origin->starts_with("http://") && IsOwnAuthority(s, origin->substr(7))))
    return Refusal(403, "refused: a request from a page of another site");
  return std::nullopt;
}

// The value of `name` in a "a=1&b=2" query; nothing when it is not there.
std::optional<std::string_view> QueryValue(std::string_view query, std::string_view name) {
  while (!query.empty()) {
    const size_t end = std::min(query.find('&'), query.size());
    std::string_view pair = query.substr(0, end);
    if (pair.starts_with(name) && pair.size() > name.size() && pair[name.size()] == '=')
      return pair.substr(name.size() + 1);
    query.remove_prefix(std::min(end + 1, query.size()));
  }
  return std::nullopt;
}

bool CarriesCookie(const VtwebState& s, const HttpRequest& request) {
  const std::string name = CookieName(s) + "=";
  for (const auto& [header, value] : request.headers) {
    if (LowerCase(header) != "cookie") continue;
    std::string_view cookies = value;
    while (!cookies.empty()) {
      const size_t end = std::min(cookies.find(';'), cookies.size());
      std::string_view cookie = cookies.substr(0, end);
      while (cookie.starts_with(' '))
        cookie.remove_prefix(1);
      if (cookie.starts_with(name) && SameSecret(cookie.substr(name.size()), s.Secret)) return true;
      cookies.remove_prefix(std::min(end + 1, cookies.size()));
    }
  }
  return false;
}

// The address with the secret, opened once: the secret moves into a cookie
// that the browser sends only to this port, and leaves the address bar.
HttpResponse SignIn(const VtwebState& s, std::string_view key) {
  if (!SameSecret(key, s.Secret)) return Refusal(403, "refused: the key is wrong");
  HttpResponse response = Answer(303, "text/plain; charset=utf-8", "signed in\n");
  response.headers.emplace_back("Location", "/");
  response.headers.emplace_back(
      "Set-Cookie", CookieName(s) + "=" + s.Secret + "; HttpOnly; SameSite=Strict; Path=/");
  return response;
}

constexpr std::string_view kJsonType = "application/json";

// What a GET reads: the page, or the file's data; `query` is the target's
// part after "?".
struct GetRoute {
  std::string_view path;
  std::string_view contentType;
  std::string (*body)(const ShownFile& shown, std::string_view query);
};
const std::array<GetRoute, 6> kGetRoutes = {{
    {"/", "text/html; charset=utf-8",
     [](const ShownFile& f, std::string_view) { return f.PageText(); }},
    {"/api/records", kJsonType,
     [](const ShownFile& f, std::string_view) { return f.RecordsJson(); }},
    // The map's own name for its records.
    {"/api/landmarks", kJsonType,
     [](const ShownFile& f, std::string_view) {
       if (f.Kind() != "landmark file") throw RequestRefusal{404, "no such page"};
       return f.RecordsJson();
     }},
    {"/api/columns", kJsonType,
     [](const ShownFile& f, std::string_view) { return ColumnsJson(f); }},
    {"/api/version", kJsonType,
     [](const ShownFile& f, std::string_view) { return VersionJson(f); }},
    {"/api/bytes", kJsonType,
     [](const ShownFile& f, std::string_view query) {
       return RecordBytesJson(f, QueryValue(query, "record").value_or(""));
     }},
}};

using PostRoute =
    std::pair<std::string_view, HttpResponse (*)(const VtwebState&, const JsonValue&)>;
const std::array<PostRoute, 4> kPostRoutes = {{
    {"/api/check", CheckCell},
    {"/api/save", SaveRecords},
    {"/api/insert", InsertRecord},
    {"/api/blank", BlankRecord},
}};

HttpResponse NotAllowed(std::string_view allow) {
  HttpResponse response = Refusal(405, "refused: this path takes " + std::string(allow) + " only");
  response.headers.emplace_back("Allow", std::string(allow));
  return response;
}

// A page's fetch names its own origin; a request without Origin is let
// through only when the browser does not call it cross-site.
bool FromOtherSite(const HttpRequest& request) {
  if (HeaderValue(request.headers, "Origin")) return false;
  const std::optional<std::string> site = HeaderValue(request.headers, "Sec-Fetch-Site");
  return site && LowerCase(*site) != "same-origin";
}

bool IsJsonBody(const HttpRequest& request) {
  const std::optional<std::string> type = HeaderValue(request.headers, "Content-Type");
  if (!type) return false;
  return TrimBlanks(LowerCase(type->substr(0, std::min(type->find(';'), type->size())))) ==
         kJsonType;
}

HttpResponse AnswerPost(const VtwebState& s, const HttpRequest& request, const PostRoute& route) {
  if (FromOtherSite(request)) return Refusal(403, "refused: a request from a page of another site");
  if (!IsJsonBody(request))
    return Refusal(415, "refused: the body must be JSON (Content-Type: application/json)");
  JsonValue body;
  try {
    body = ReadJson(request.body);
  } catch (const TextFormError& error) {
    return Refusal(400, "refused: the body is no JSON: " + std::to_string(error.Place().line) +
                            ":" + std::to_string(error.Place().column) + ": " + error.what());
  }
  return route.second(s, body);
}

HttpResponse Route(const VtwebState& s, const HttpRequest& request, std::string_view path,
                   std::string_view query) {
  auto get = std::find_if(kGetRoutes.begin(), kGetRoutes.end(),
                          [&](const GetRoute& route) { return route.path == path; });
  auto post = std::find_if(kPostRoutes.begin(), kPostRoutes.end(),
                           [&](const PostRoute& route) { return route.first == path; });
  if (get != kGetRoutes.end()) {
    if (request.method != "GET") return NotAllowed("GET");
    return Answer(200, std::string(get->contentType), get->body(*s.Shown, query));
  }
  if (post != kPostRoutes.end()) {
    if (request.method != "POST") return NotAllowed("POST");
    return AnswerPost(s, request, *post);
  }
  return Refusal(404, "no such page");
}

HttpResponse CheckedAnswer(const VtwebState& s, const HttpRequest& request) {
  if (std::optional<HttpResponse> refused = RefusedOrigin(s, request)) return *refused;
  if (request.body.size() > kMaxRequestBody) return Refusal(413, "refused: the body is too large");
  if (!request.target.starts_with('/')) return Refusal(400, "refused: the target is no path");
  const size_t queryStart = std::min(request.target.find('?'), request.target.size());
  const std::string_view path = std::string_view(request.target).substr(0, queryStart);
  const std::string_view query =
      std::string_view(request.target).substr(std::min(queryStart + 1, request.target.size()));
  const bool get = request.method == "GET";
  const std::optional<std::string_view> key = path == "/" ? QueryValue(query, "key") : std::nullopt;
  if (key && get) return SignIn(s, *key);
  if (!CarriesCookie(s, request))
    return Refusal(403, "refused: open the address with the key that vtweb printed");
  return Route(s, request, path, query);
}

}  // namespace

HttpResponse Refusal(int status, std::string_view reason) {
  return Answer(status, "text/plain; charset=utf-8", std::string(reason) + "\n");
}

std::optional<std::string> HeaderValue(const HttpHeaders& headers, std::string_view name) {
  const std::string lower = LowerCase(name);
  for (const auto& [header, value] : headers)
    if (LowerCase(header) == lower) return value;
  return std::nullopt;
}

HttpResponse JsonAnswer(int status, std::string json) {
  return Answer(status, std::string(kJsonType), std::move(json));
}

HttpResponse AnswerRequest(const VtwebState& s, const HttpRequest& request) {
  try {
    return CheckedAnswer(s, request);
  } catch (const RequestRefusal& refusal) {
    return Refusal(refusal.status, refusal.reason);
  } catch (const TextFormRefusal& refusal) {
    return Refusal(500, refusal.message);
  } catch (const std::exception& error) {
    return Refusal(500, error.what());
  } catch (...) {
    return Refusal(500, "the request could not be answered");
  }
}

}  // namespace vantor::vtweb
