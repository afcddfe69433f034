// The server's answers without sockets: every security rule as a row of one
// table, then what the answers carry.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/hex.h"
#include "lmedit/lmedit_fixtures.h"
#include "web_requests.h"

namespace vantor::testing {
namespace {

using vtweb::HttpHeaders;
using vtweb::HttpRequest;
using vtweb::HttpResponse;

constexpr const char* kSecret = "00112233445566778899AABBCCDDEEFF";
const std::string kCookie = std::string("vtweb-8123=") + kSecret;

class WebRequests : public ::testing::Test {
 protected:
  WebRequests() {
    WriteBytes(dir.File("l.mrf"), NumberedFile(3));
    state.Shown = vtweb::ShowLandmarkFile(dir.File("l.mrf"));
    state.Port = 8123;
    state.Secret = kSecret;
  }
  HttpResponse Answer(const HttpRequest& request) const {
    return vtweb::AnswerRequest(state, request);
  }
  ScratchDir dir;
  vtweb::VtwebState state;
};

// A browser's request from the page: Host and the cookie, more headers added.
HttpRequest FromPage(std::string method, std::string target, HttpHeaders more = {},
                     std::string host = "127.0.0.1:8123") {
  HttpRequest request{std::move(method), std::move(target), {{"Host", std::move(host)}}, ""};
  request.headers.emplace_back("Cookie", "theme=dark; " + kCookie);
  request.headers.insert(request.headers.end(), more.begin(), more.end());
  return request;
}

struct SecurityCase {
  const char* what;
  HttpRequest request;
  int status;
};

TEST_F(WebRequests, EachRuleRefusesWithItsStatus) {
  HttpRequest noCookie{"GET", "/api/landmarks", {{"Host", "127.0.0.1:8123"}}, ""};
  HttpRequest wrongCookie = noCookie;
  wrongCookie.headers.emplace_back("Cookie", "vtweb-8123=00112233445566778899AABBCCDDEEF0");
  HttpRequest otherPortsCookie = noCookie;
  otherPortsCookie.headers.emplace_back("Cookie", std::string("vtweb-8124=") + kSecret);
  HttpRequest noHost = FromPage("GET", "/");
  noHost.headers.erase(noHost.headers.begin());
  HttpRequest oversized = FromPage("POST", "/api/landmarks");
  oversized.body.assign(vtweb::kMaxRequestBody + 1, 'x');
  const std::vector<SecurityCase> cases = {
      {"the page", FromPage("GET", "/"), 200},
      {"the data", FromPage("GET", "/api/landmarks"), 200},
      {"localhost", FromPage("GET", "/api/version", {}, "LOCALHOST:8123"), 200},
      {"own origin", FromPage("GET", "/api/version", {{"Origin", "http://127.0.0.1:8123"}}), 200},
      {"no secret", noCookie, 403},
      {"wrong secret", wrongCookie, 403},
      {"another run's cookie", otherPortsCookie, 403},
      {"wrong key", {"GET", "/?key=0", {{"Host", "127.0.0.1:8123"}}, ""}, 403},
      {"no Host", noHost, 403},
      {"wrong port", FromPage("GET", "/", {}, "127.0.0.1:9999"), 403},
      {"DNS rebinding", FromPage("GET", "/", {}, "evil.example:8123"), 403},
      {"cross-site origin", FromPage("GET", "/", {{"Origin", "http://evil.example"}}), 403},
      {"null origin", FromPage("GET", "/", {{"Origin", "null"}}), 403},
      {"https origin", FromPage("GET", "/", {{"Origin", "https://127.0.0.1:8123"}}), 403},
      {"POST", FromPage("POST", "/api/landmarks"), 405},
      {"DELETE", FromPage("DELETE", "/"), 405},
      {"unknown path", FromPage("GET", "/etc/passwd"), 404},
      {"dot-dot", FromPage("GET", "/../l.mrf"), 404},
      {"dot-dot inside", FromPage("GET", "/api/../../l.mrf"), 404},
      {"encoded dot-dot", FromPage("GET", "/%2e%2e/l.mrf"), 404},
      {"absolute target", FromPage("GET", "http://127.0.0.1:8123/"), 400},
      {"oversized body", oversized, 413},
      {"a record's bytes", FromPage("GET", "/api/bytes?record=3"), 200},
      {"bytes of no record", FromPage("GET", "/api/bytes?record=4"), 400},
      {"bytes of a record 0", FromPage("GET", "/api/bytes?record=0"), 400},
      {"bytes of what is no number", FromPage("GET", "/api/bytes?record=1e0"), 400},
      {"bytes of no record named", FromPage("GET", "/api/bytes"), 400},
  };
  for (const SecurityCase& c : cases)
    EXPECT_EQ(Answer(c.request).status, c.status) << c.what;
}

// Record 2 (the second): its bytes as the file holds them.
TEST_F(WebRequests, BytesAreTheRecordsOwn) {
  const HttpResponse response = Answer(FromPage("GET", "/api/bytes?record=2"));
  EXPECT_EQ(response.body, "{\"record\": 2, \"hex\": \"" +
                               BytesToHex(Slice(NumberedFile(3), 100 + 63, 63)) + "\"}\n");
}

// The first Host header would pass: a second one must not be let through.
TEST_F(WebRequests, TwoHostHeadersAreRefused) {
  EXPECT_EQ(Answer(FromPage("GET", "/", {{"Host", "evil.example:8123"}})).status, 403);
}

TEST_F(WebRequests, TheKeyBecomesACookieForThisPortAlone) {
  const HttpResponse response =
      Answer({"GET", std::string("/?key=") + kSecret, {{"Host", "localhost:8123"}}, ""});
  EXPECT_EQ(response.status, 303);
  EXPECT_EQ(vtweb::HeaderValue(response.headers, "location"), "/");
  EXPECT_EQ(vtweb::HeaderValue(response.headers, "set-cookie"),
            kCookie + "; HttpOnly; SameSite=Strict; Path=/");
}

TEST_F(WebRequests, EveryAnswerCarriesTheSafetyHeadersAndNoCors) {
  for (const HttpRequest& request :
       {FromPage("GET", "/"), FromPage("GET", "/api/landmarks"), FromPage("GET", "/nothing"),
        FromPage("GET", "/", {{"Origin", "null"}})}) {
    const HttpResponse response = Answer(request);
    const HttpHeaders& h = response.headers;
    EXPECT_EQ(vtweb::HeaderValue(h, "X-Content-Type-Options"), "nosniff") << request.target;
    EXPECT_EQ(vtweb::HeaderValue(h, "Cache-Control"), "no-store");
    EXPECT_EQ(vtweb::HeaderValue(h, "Referrer-Policy"), "no-referrer");
    EXPECT_TRUE(
        vtweb::HeaderValue(h, "Content-Security-Policy")->starts_with("default-src 'none'"));
    for (const auto& [name, value] : h)
      EXPECT_FALSE(name.starts_with("Access-Control")) << name;
  }
}

// A file that vanished or was cut while served is an answer, not a crash.
TEST_F(WebRequests, ADamagedFileIsAnsweredWithTheReason) {
  WriteBytes(state.Shown->Name(), {1, 2, 3});
  const HttpResponse response = Answer(FromPage("GET", "/api/landmarks"));
  EXPECT_EQ(response.status, 500);
  EXPECT_NE(response.body.find("not a landmark file"), std::string::npos) << response.body;
}

TEST_F(WebRequests, TheVersionChangesWhenTheFileIsReplaced) {
  const std::string before = Answer(FromPage("GET", "/api/version")).body;
  EXPECT_EQ(Answer(FromPage("GET", "/api/version")).body, before);
  WriteBytes(dir.File("new.mrf"), NumberedFile(3));
  std::filesystem::rename(dir.File("new.mrf"), state.Shown->Name());
  EXPECT_NE(Answer(FromPage("GET", "/api/version")).body, before);
}

}  // namespace
}  // namespace vantor::testing
