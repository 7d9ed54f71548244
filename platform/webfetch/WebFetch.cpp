#include "platform/webfetch/WebFetch.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "text/AsciiCase.h"

namespace sonivo::webfetch {

struct WebFetcher::Transfer {
  CurlEasy easy;
  CurlList headers;
  std::string body;  // the request body; libcurl reads it in place
  WebAnswer answer;
  bool over_cap = false;
  std::size_t wanted = 0;  // first_bytes_only
  bool got_wanted = false;
  Done done;
};

namespace {

size_t collect(char* data, size_t size, size_t count, void* user) {
  auto* transfer = static_cast<WebFetcher::Transfer*>(user);
  const size_t n = size * count;
  if (transfer->wanted > 0 && transfer->answer.body.size() + n >= transfer->wanted) {
    transfer->answer.body.append(data, transfer->wanted - transfer->answer.body.size());
    transfer->got_wanted = true;
    return 0;
  }
  if (transfer->answer.body.size() + n > WebFetcher::MAX_BODY_BYTES) {
    transfer->over_cap = true;
    return 0;
  }
  transfer->answer.body.append(data, n);
  return n;
}

int on_socket(CURL*, curl_socket_t socket, int what, void* user, void*) {
  auto* hooks = static_cast<EventLoopHooks*>(user);
  hooks->watch_socket(static_cast<int>(socket), what == CURL_POLL_IN || what == CURL_POLL_INOUT,
                      what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
  return 0;
}

int on_timer(CURLM*, long milliseconds, void* user) {
  static_cast<EventLoopHooks*>(user)->arm_timer(milliseconds);
  return 0;
}

}  // namespace

bool is_web_address(const std::string& url) {
  return starts_with_ignoring_ascii_case(url, "http://") ||
         starts_with_ignoring_ascii_case(url, "https://");
}

WebFetcher::WebFetcher(EventLoopHooks& hooks) : hooks_(hooks) {
  multi_ = new_curl_multi();
  if (!multi_) {
    return;
  }
  curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETFUNCTION, on_socket);
  curl_multi_setopt(multi_.get(), CURLMOPT_SOCKETDATA, &hooks_);
  curl_multi_setopt(multi_.get(), CURLMOPT_TIMERFUNCTION, on_timer);
  curl_multi_setopt(multi_.get(), CURLMOPT_TIMERDATA, &hooks_);
}

WebFetcher::~WebFetcher() {
  while (!transfers_.empty()) {
    cancel(transfers_.begin()->first);
  }
}

int WebFetcher::start(const WebRequest& request, Done done) {
  const bool known_method =
      request.method == "GET" || request.method == "HEAD" || request.method == "POST";
  if (!multi_ || !known_method || !is_web_address(request.url)) {
    return 0;
  }
  auto transfer = std::make_unique<Transfer>();
  transfer->easy = new_curl_easy();
  if (!transfer->easy) {
    return 0;
  }
  transfer->done = std::move(done);
  transfer->wanted = request.first_bytes_only;
  CURL* e = transfer->easy.get();
  curl_easy_setopt(e, CURLOPT_URL, request.url.c_str());
  // Redirects too stay on http and https: a movie's address can never reach a file.
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, 30L);
  // Given up after 30 s below 1 byte a second: a stalled server, not a slow sound.
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, 30L);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, transfer.get());
  curl_easy_setopt(e, CURLOPT_PRIVATE, transfer.get());
  if (request.method == "HEAD") {
    curl_easy_setopt(e, CURLOPT_NOBODY, 1L);
  } else if (request.method == "POST") {
    transfer->body = request.body;
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, transfer->body.data());
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(transfer->body.size()));
    const std::string type =
        request.content_type.empty() ? "application/x-www-form-urlencoded" : request.content_type;
    if (!append_line(transfer->headers, ("Content-Type: " + type).c_str())) {
      return 0;
    }
  }
  // libcurl would add "Expect: 100-continue" to larger POSTs; no browser sends it.
  if (!append_line(transfer->headers, "Expect:")) {
    return 0;
  }
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, transfer->headers.get());
  if (curl_multi_add_handle(multi_.get(), e) != CURLM_OK) {
    return 0;
  }
  const int id = next_id_++;
  transfers_.emplace(id, std::move(transfer));
  return id;
}

void WebFetcher::cancel(int id) {
  const auto found = transfers_.find(id);
  if (found == transfers_.end()) {
    return;
  }
  std::unique_ptr<Transfer> transfer = std::move(found->second);
  transfers_.erase(found);
  // Out of the multi handle before the easy handle and its header list go with `transfer`.
  curl_multi_remove_handle(multi_.get(), transfer->easy.get());
}

void WebFetcher::socket_ready(int socket, bool readable, bool writable) {
  int running = 0;
  const int events = (readable ? CURL_CSELECT_IN : 0) | (writable ? CURL_CSELECT_OUT : 0);
  curl_multi_socket_action(multi_.get(), static_cast<curl_socket_t>(socket), events, &running);
  finish_completed();
}

void WebFetcher::timer_fired() {
  int running = 0;
  curl_multi_socket_action(multi_.get(), CURL_SOCKET_TIMEOUT, 0, &running);
  finish_completed();
}

void WebFetcher::finish_completed() {
  // Answers are handed out only after the fetcher's own bookkeeping is done: a Done may
  // start or cancel requests.
  std::vector<std::pair<Done, WebAnswer>> finished;
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(multi_.get(), &left)) {
    if (message->msg != CURLMSG_DONE) {
      continue;
    }
    const CURLcode result = message->data.result;
    CURL* easy = message->easy_handle;
    const auto found =
        std::find_if(transfers_.begin(), transfers_.end(),
                     [easy](const auto& entry) { return entry.second->easy.get() == easy; });
    if (found == transfers_.end()) {
      continue;
    }
    Transfer& transfer = *found->second;
    WebAnswer answer = std::move(transfer.answer);
    answer.transferred = (result == CURLE_OK && !transfer.over_cap) || transfer.got_wanted;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &answer.status);
    const char* type = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type) {
      answer.content_type = type;
    }
    if (!answer.transferred) {
      answer.body.clear();
    }
    finished.emplace_back(std::move(transfer.done), std::move(answer));
    cancel(found->first);
  }
  for (auto& [done, answer] : finished) {
    if (done) {
      done(std::move(answer));
    }
  }
}

}  // namespace sonivo::webfetch
