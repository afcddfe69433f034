#include "http_server.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "textform/text_form_import.h"

namespace vantor::vtweb {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

// A connection that says nothing for this long is closed, so that no
// client can hold the server's resources.
constexpr std::chrono::seconds kIdleTime{30};
constexpr std::chrono::milliseconds kAcceptPause{100};
// Request line and headers together.
constexpr uint32_t kMaxHeaderBytes = 16 * 1024;

using Answerer = std::function<HttpResponse(const HttpRequest&)>;

HttpRequest RequestOf(const http::request<http::string_body>& message) {
  HttpRequest request;
  request.method = std::string(message.method_string());
  request.target = std::string(message.target());
  for (const auto& field : message)
    request.headers.emplace_back(std::string(field.name_string()), std::string(field.value()));
  request.body = message.body();
  return request;
}

http::response<http::string_body> MessageOf(const HttpResponse& response, unsigned version,
                                            bool keepAlive) {
  http::response<http::string_body> message{static_cast<http::status>(response.status), version};
  for (const auto& [name, value] : response.headers)
    message.insert(name, value);
  message.body() = response.body;
  message.keep_alive(keepAlive);
  message.prepare_payload();
  return message;
}

// One connection: requests read and answered in turn until either side
// closes it or it falls idle.
class Connection : public std::enable_shared_from_this<Connection> {
 public:
  Connection(tcp::socket socket, const Answerer& answer)
      : stream_(std::move(socket)), answer_(answer) {}

  void ReadRequest() {
    parser_.emplace();
    parser_->header_limit(kMaxHeaderBytes);
    parser_->body_limit(kMaxRequestBody);
    stream_.expires_after(kIdleTime);
    http::async_read(
        stream_, buffer_, *parser_,
        [self = shared_from_this()](beast::error_code error, size_t) { self->OnRead(error); });
  }

 private:
  void OnRead(beast::error_code error) {
    if (error == http::error::end_of_stream || error == beast::error::timeout ||
        error == asio::error::connection_reset || error == asio::error::eof)
      return Close();
    if (error == http::error::body_limit)
      return Send(Refusal(413, "refused: the body is too large"), 11, false);
    if (error) return Send(Refusal(400, "refused: no HTTP request: " + error.message()), 11, false);
    const http::request<http::string_body>& message = parser_->get();
    Send(answer_(RequestOf(message)), message.version(), message.keep_alive());
  }

  void Send(const HttpResponse& response, unsigned version, bool keepAlive) {
    response_ = MessageOf(response, version, keepAlive);
    http::async_write(stream_, response_,
                      [self = shared_from_this(), keepAlive](beast::error_code error, size_t) {
                        if (error || !keepAlive) return self->Close();
                        self->ReadRequest();
                      });
  }

  void Close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.socket().close(ignored);
  }

  beast::tcp_stream stream_;
  const Answerer& answer_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  http::response<http::string_body> response_;
};

// After a failed accept (no file descriptor left while clients hold their
// connections) the next waits a little, so that the server does not spin.
void Accept(tcp::acceptor& acceptor, asio::steady_timer& pause, const Answerer& answer) {
  acceptor.async_accept([&](beast::error_code error, tcp::socket socket) {
    if (!error) {
      std::make_shared<Connection>(std::move(socket), answer)->ReadRequest();
      return Accept(acceptor, pause, answer);
    }
    pause.expires_after(kAcceptPause);
    pause.async_wait([&](beast::error_code) { Accept(acceptor, pause, answer); });
  });
}

}  // namespace

void Serve(uint16_t port, const std::function<void(uint16_t port)>& listening,
           const Answerer& answer) {
  asio::io_context io{1};
  tcp::acceptor acceptor{io};
  beast::error_code error;
  const tcp::endpoint loopback{asio::ip::make_address_v4("127.0.0.1"), port};
  acceptor.open(loopback.protocol(), error);
#ifndef _WIN32
  // A port just left by an earlier run can be had again at once; on Windows
  // the same option would let another program take a port in use.
  if (!error) acceptor.set_option(asio::socket_base::reuse_address(true), error);
#endif
  if (!error) acceptor.bind(loopback, error);
  if (!error) acceptor.listen(asio::socket_base::max_listen_connections, error);
  if (error) {
    throw TextFormRefusal{"cannot listen on 127.0.0.1:" + std::to_string(port) + ": " +
                          error.message()};
  }
  listening(acceptor.local_endpoint().port());
  asio::steady_timer pause{io};
  Accept(acceptor, pause, answer);
  io.run();
}

}  // namespace vantor::vtweb
