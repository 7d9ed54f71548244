#include "platform/inet/CurlTransfer.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

namespace sonivo {
namespace {

constexpr int POLL_SLICE_MS = 50;
// Body bytes kept waiting at most (plus one delivery of libcurl's); beyond it the
// transfer pauses until the reader has caught up, so the buffer stays small and warm.
constexpr std::size_t BUFFER_HIGH_WATER = 64 * 1024;

}  // namespace

CurlTransfer::CurlTransfer(const TransferRequest& request)
    : multi_(new_curl_multi()),
      easy_(new_curl_easy()),
      receive_timeout_ms_(request.timeouts.receive_ms) {
  if (!easy_ || !multi_) {
    done_ = true;
    return;
  }
  configure(request);
  attached_ = curl_multi_add_handle(multi_.get(), easy_.get()) == CURLM_OK;
  done_ = !attached_;
  last_activity_ = std::chrono::steady_clock::now();
}

CurlTransfer::~CurlTransfer() {
  if (attached_) {
    curl_multi_remove_handle(multi_.get(), easy_.get());
  }
}

void CurlTransfer::configure(const TransferRequest& request) {
  CURL* easy = easy_.get();
  curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // An empty proxy turns off the proxy variables of the environment as well.
  curl_easy_setopt(easy, CURLOPT_PROXY, request.proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_NOPROXY, request.no_proxy.c_str());
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION,
                   request.http_1_0 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, request.timeouts.connect_ms);
  if (!request.ca_file.empty()) {
    curl_easy_setopt(easy, CURLOPT_CAINFO, request.ca_file.c_str());
  }
  if (request.has_user_agent) {
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.user_agent.c_str());
  }

  if (request.verb == "GET" && !request.has_body) {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
  } else if (request.verb == "HEAD" && !request.has_body) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  } else {
    if (request.has_body) {
      curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                       static_cast<curl_off_t>(request.body.size()));
      curl_easy_setopt(easy, CURLOPT_COPYPOSTFIELDS, request.body.c_str());
    }
    if (request.verb != "POST") {
      curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.verb.c_str());
    }
  }

  for (const std::string& line : request.header_lines) {
    append_line(header_list_, line.c_str());
  }
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, header_list_.get());

  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CurlTransfer::on_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CurlTransfer::on_header);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
}

std::size_t CurlTransfer::on_body(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  if (transfer->buffer_.size() - transfer->buffer_start_ >= BUFFER_HIGH_WATER) {
    transfer->paused_ = true;
    return CURL_WRITEFUNC_PAUSE;  // libcurl keeps these bytes and hands them over again
  }
  transfer->buffer_.append(data, size * count);
  transfer->last_activity_ = std::chrono::steady_clock::now();
  return size * count;
}

std::size_t CurlTransfer::on_header(char* data, std::size_t size, std::size_t count, void* self) {
  auto* transfer = static_cast<CurlTransfer*>(self);
  transfer->last_activity_ = std::chrono::steady_clock::now();
  transfer->headers_.add_line(std::string_view(data, size * count));
  return size * count;
}

bool CurlTransfer::silent_too_long() {
  auto now = std::chrono::steady_clock::now();
  if (!connected_) {
    // Until the connection stands, libcurl's connect time-out is the bound.
    curl_off_t pretransfer = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
    if (pretransfer == 0) {
      return false;
    }
    connected_ = true;
    last_activity_ = now;
    return false;
  }
  return now - last_activity_ > std::chrono::milliseconds(receive_timeout_ms_);
}

template <typename Ready>
void CurlTransfer::run_until(Ready ready) {
  while (!done_) {
    if (paused_ && buffer_start_ == buffer_.size()) {
      // The pause was ours, not the server's silence.
      paused_ = false;
      last_activity_ = std::chrono::steady_clock::now();
      curl_easy_pause(easy_.get(), CURLPAUSE_CONT);
      if (ready()) {
        return;
      }
    }
    int running = 0;
    curl_multi_perform(multi_.get(), &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_.get(), &queued)) {
      if (message->msg == CURLMSG_DONE) {
        done_ = true;
      }
    }
    if (done_ || ready()) {
      return;
    }
    if (silent_too_long()) {
      finish();
      return;
    }
    curl_multi_poll(multi_.get(), nullptr, 0, POLL_SLICE_MS, nullptr);
  }
}

void CurlTransfer::finish() {
  if (attached_) {
    curl_multi_remove_handle(multi_.get(), easy_.get());
  }
  attached_ = false;
  done_ = true;
}

bool CurlTransfer::wait_for_headers() {
  run_until([this] { return headers_.complete(); });
  return headers_.complete();
}

std::size_t CurlTransfer::read(char* buffer, std::size_t capacity) {
  if (capacity == 0) {
    return 0;
  }
  run_until([this] { return buffer_start_ < buffer_.size(); });
  std::size_t count = std::min(capacity, buffer_.size() - buffer_start_);
  std::memcpy(buffer, buffer_.data() + buffer_start_, count);
  buffer_start_ += count;
  if (buffer_start_ == buffer_.size()) {
    buffer_.clear();
    buffer_start_ = 0;
  }
  return count;
}

std::string CurlTransfer::redirect_url() const {
  char* url = nullptr;
  if (!easy_ || curl_easy_getinfo(easy_.get(), CURLINFO_REDIRECT_URL, &url) != CURLE_OK || !url) {
    return {};
  }
  return url;
}

}  // namespace sonivo
