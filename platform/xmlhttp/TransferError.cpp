#include "platform/xmlhttp/TransferError.h"

#include "text/Gbk.h"

namespace sonivo::xmlhttp {

TransferError transfer_error_of(CURLcode result) {
  switch (result) {
    case CURLE_OPERATION_TIMEDOUT:
      return {ERROR_TIMEOUT, gbk("服务器响应超时")};
    case CURLE_URL_MALFORMAT:
      return {ERROR_INVALID_URL, gbk("网址格式不正确")};
    case CURLE_UNSUPPORTED_PROTOCOL:
      return {ERROR_UNRECOGNIZED_SCHEME, gbk("网址的协议无法识别")};
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return {ERROR_NAME_NOT_RESOLVED, gbk("无法解析服务器的名称")};
    case CURLE_COULDNT_CONNECT:
      return {ERROR_CANNOT_CONNECT, gbk("无法连接到服务器")};
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_TOO_MANY_REDIRECTS:
      return {ERROR_INVALID_SERVER_RESPONSE, gbk("服务器的响应无效")};
    default:
      // Partial body, nothing received, a failed send or receive: the answer was cut off.
      return {ERROR_CONNECTION_ABORTED, gbk("与服务器的连接已中断")};
  }
}

}  // namespace sonivo::xmlhttp
