#pragma once
// The ranged-request component: an HTTP request object shaped like the scripting
// component known by the ProgID "MSXML2.ServerXMLHTTP". Texts go in and come out as GBK.
//
// No call raises or stops anything. A call made in the wrong state is ignored, and a
// property that has nothing to show reads as 0, the empty text or the empty body.
//
// readyState: 0 before `open` and after `abort`; 1 after `open`; 2 after `send`; 3 once
// the answer's headers are in; 4 once the request has ended, well or not.
//
// The answer's properties (status, statusText, responseBody, getResponseHeader) read as
// empty until readyState is 4. When the request ended in a transfer error (refused
// connection, unknown host, connection dropped in the middle of the body, ...) they show
// readyState 4, a status of the 12000 range that names the error (the numbers the
// Windows Internet layer uses, see TransferError.h) with a short description as
// statusText, no headers and an empty body: bytes of an answer cut short are never handed
// out as if they were the whole body, and a caller that treats a status of 300 or more
// as a failure shows the reason rather than mistaking it for an answer.

#include <cstdint>
#include <memory>

#include "text/Text.h"

namespace sonivo::xmlhttp {

class ServerXmlHttp {
 public:
  virtual ~ServerXmlHttp() = default;

  // Prepares a new request on the same object, ending any request still in flight.
  virtual void open(const Text& method, const Text& url, bool async) = 0;
  // Only between `open` and `send`. A later value for the same name replaces the earlier
  // one; a header whose value is empty is not sent.
  virtual void setRequestHeader(const Text& name, const Text& value) = 0;
  // Asynchronous: starts the request and returns at once. A synchronous request (opened
  // with async false) returns when it has ended.
  virtual void send() = 0;
  virtual double readyState() = 0;
  // Blocks until the request has ended or `milliseconds` have passed; true when ended.
  virtual bool waitForResponse(int32_t milliseconds) = 0;
  virtual void abort() = 0;

  virtual double status() = 0;
  virtual Text statusText() = 0;
  virtual Bytes responseBody() = 0;
  // The first header of that name (compared without regard to ASCII case), or empty.
  virtual Text getResponseHeader(const Text& name) = 0;
};

// Reference-counted: a copy of the holder shares the instance.
using ComponentRef = std::shared_ptr<ServerXmlHttp>;

}  // namespace sonivo::xmlhttp
