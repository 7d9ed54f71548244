#include "platform/xmlhttp/CurlServerXmlHttp.h"

#include <algorithm>
#include <chrono>
#include <limits>

#include "platform/xmlhttp/TransferError.h"
#include "platform/xmlhttp/WaitHook.h"
#include "text/AsciiCase.h"
#include "text/AsciiTrim.h"
#include "text/Gbk.h"
#include "text/PercentEncoding.h"
#include "text/TextOps.h"

namespace sonivo::xmlhttp {
namespace {

constexpr int STATE_UNSENT = 0;
constexpr int STATE_OPENED = 1;
constexpr int STATE_SENT = 2;
constexpr int STATE_RECEIVING = 3;
constexpr int STATE_DONE = 4;

constexpr long MAX_REDIRECTS = 10;

// A header line's blanks, its line end included.
std::string trim_blanks(std::string_view text) {
  return std::string(trim_ascii(text, " \t\r\n"));
}

bool is_ascii(const std::string& bytes) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// GBK and UTF-8 agree on ASCII, which is nearly every header and URL: only other texts
// need the converter.
std::string wire_text(const Text& text) {
  return is_ascii(text.str()) ? text.str() : utf8_of(text);
}

// A URL as the wire wants it: UTF-8, with the bytes that may not stand in a URL escaped.
std::string wire_url(const Text& url) {
  return percent_encode(wire_text(url), is_visible_ascii);
}

// Reason phrases and header values arrive as UTF-8 (plain ASCII in practice).
Text text_of_wire(const std::string& bytes) {
  return gbk(bytes);
}

}  // namespace

CurlServerXmlHttp::CurlServerXmlHttp() : multi_(new_curl_multi()), easy_(new_curl_easy()) {
  if (!easy_) {
    return;
  }
  // What every request shares is set once; configure_request sets the rest.
  curl_easy_setopt(easy_.get(), CURLOPT_HEADERFUNCTION, &CurlServerXmlHttp::on_header);
  curl_easy_setopt(easy_.get(), CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_.get(), CURLOPT_WRITEFUNCTION, &CurlServerXmlHttp::on_body);
  curl_easy_setopt(easy_.get(), CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy_.get(), CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_.get(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy_.get(), CURLOPT_MAXREDIRS, MAX_REDIRECTS);
  // The address comes from a fetched page: it must not reach local files or other
  // protocols, neither directly nor through a redirect.
  curl_easy_setopt(easy_.get(), CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_.get(), CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  // The component connects directly, whatever proxy the environment names.
  curl_easy_setopt(easy_.get(), CURLOPT_PROXY, "");
  curl_easy_setopt(easy_.get(), CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
}

CurlServerXmlHttp::~CurlServerXmlHttp() {
  detach();
}

void CurlServerXmlHttp::open(const Text& method, const Text& url, bool async) {
  detach();
  clear_answer();
  method_ = to_upper(method).str();
  url_ = wire_url(url);
  async_ = async;
  request_headers_.clear();
  ready_state_ = STATE_OPENED;
}

void CurlServerXmlHttp::setRequestHeader(const Text& name, const Text& value) {
  if (ready_state_ != STATE_OPENED || name.empty()) {
    return;
  }
  std::erase_if(request_headers_, [&](const Header& header) {
    return equals_ignoring_ascii_case(header.first, name.str());
  });
  request_headers_.emplace_back(wire_text(name), wire_text(value));
}

void CurlServerXmlHttp::send() {
  if (ready_state_ != STATE_OPENED || !multi_ || !easy_) {
    return;
  }
  configure_request();
  if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
    finish(CURLE_FAILED_INIT);
    return;
  }
  attached_ = true;
  ready_state_ = STATE_SENT;
  drive();
  if (!async_) {
    while (ready_state_ != STATE_DONE && attached_) {
      waitForResponse(std::numeric_limits<int32_t>::max());
    }
  }
}

void CurlServerXmlHttp::configure_request() {
  curl_easy_setopt(easy_.get(), CURLOPT_URL, url_.c_str());
  curl_easy_setopt(easy_.get(), CURLOPT_CUSTOMREQUEST, nullptr);
  if (method_ == "HEAD") {
    curl_easy_setopt(easy_.get(), CURLOPT_NOBODY, 1L);
  } else {
    curl_easy_setopt(easy_.get(), CURLOPT_HTTPGET, 1L);  // also clears NOBODY
    if (method_ != "GET") {
      curl_easy_setopt(easy_.get(), CURLOPT_CUSTOMREQUEST, method_.c_str());
    }
  }

  header_list_.reset();
  for (const auto& [name, value] : request_headers_) {
    if (!value.empty()) {
      append_line(header_list_, (name + ": " + value).c_str());
    }
  }
  curl_easy_setopt(easy_.get(), CURLOPT_HTTPHEADER, header_list_.get());
}

double CurlServerXmlHttp::readyState() {
  drive();
  return ready_state_;
}

bool CurlServerXmlHttp::waitForResponse(int32_t milliseconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
  for (;;) {
    drive();
    if (ready_state_ == STATE_DONE) {
      return true;
    }
    if (!attached_) {
      return false;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      return false;
    }
    long long block = std::min<long long>(left, 1000);
    const int wanted = run_wait_hook();
    if (wanted >= 0) {
      block = std::min<long long>(block, std::max(wanted, 1));
    }
    curl_multi_poll(multi_.get(), nullptr, 0, static_cast<int>(block), nullptr);
  }
}

void CurlServerXmlHttp::abort() {
  detach();
  clear_answer();
  ready_state_ = STATE_UNSENT;
}

double CurlServerXmlHttp::status() {
  return ready_state_ == STATE_DONE ? static_cast<double>(status_) : 0;
}

Text CurlServerXmlHttp::statusText() {
  return ready_state_ == STATE_DONE ? text_of_wire(status_text_) : Text();
}

Bytes CurlServerXmlHttp::responseBody() {
  return ready_state_ == STATE_DONE ? body_ : Bytes();
}

Text CurlServerXmlHttp::getResponseHeader(const Text& name) {
  if (ready_state_ != STATE_DONE) {
    return Text();
  }
  for (const auto& [header, value] : response_headers_) {
    if (equals_ignoring_ascii_case(header, name.str())) {
      return text_of_wire(value);
    }
  }
  return Text();
}

size_t CurlServerXmlHttp::on_header(char* data, size_t size, size_t count, void* self) {
  auto* component = static_cast<CurlServerXmlHttp*>(self);
  const std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) {
    // A new status line: any earlier answer (a redirect, a 100 Continue) is left behind.
    component->response_headers_.clear();
    component->body_.clear();
    const auto code_at = line.find(' ');
    const auto reason_at = code_at == std::string::npos ? code_at : line.find(' ', code_at + 1);
    component->status_text_ =
        reason_at == std::string::npos ? std::string() : trim_blanks(line.substr(reason_at + 1));
  } else if (const auto colon = line.find(':'); colon != std::string::npos) {
    component->response_headers_.emplace_back(trim_blanks(line.substr(0, colon)),
                                              trim_blanks(line.substr(colon + 1)));
  } else if (trim_blanks(line).empty()) {
    component->ready_state_ = STATE_RECEIVING;
  }
  return size * count;
}

namespace {
std::size_t max_kept_body = MAX_KEPT_BODY;
}

void CurlServerXmlHttp::set_max_kept_body(std::size_t bytes) {
  max_kept_body = bytes == 0 ? MAX_KEPT_BODY : bytes;
}

size_t CurlServerXmlHttp::on_body(char* data, size_t size, size_t count, void* self) {
  auto* component = static_cast<CurlServerXmlHttp*>(self);
  if (component->body_.size() + size * count > max_kept_body) {
    component->body_cut_off_ = true;
    return 0;  // ends the transfer
  }
  component->body_.append(data, size * count);
  return size * count;
}

void CurlServerXmlHttp::drive() {
  if (!attached_) {
    return;
  }
  int running = 0;
  curl_multi_perform(multi_.get(), &running);
  int queued = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
    if (message->msg == CURLMSG_DONE && message->easy_handle == easy_.get()) {
      finish(message->data.result);
      return;
    }
  }
}

void CurlServerXmlHttp::finish(CURLcode result) {
  if (result == CURLE_OK) {
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status_);
  } else if (result == CURLE_WRITE_ERROR && body_cut_off_) {
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status_);
    body_.clear();
  } else {
    const TransferError error = transfer_error_of(result);
    status_ = error.status;
    status_text_ = utf8_of(error.status_text);
    response_headers_.clear();
    body_.clear();
  }
  detach();
  ready_state_ = STATE_DONE;
}

void CurlServerXmlHttp::detach() {
  if (attached_) {
    curl_multi_remove_handle(multi_.get(), easy_.get());
    attached_ = false;
  }
  header_list_.reset();
}

void CurlServerXmlHttp::clear_answer() {
  status_ = 0;
  status_text_.clear();
  response_headers_.clear();
  body_.clear();
  body_cut_off_ = false;
}

}  // namespace sonivo::xmlhttp
