#pragma once
// How a request that ended without an answer shows itself: a status in the 12000 range,
// the numbers the Windows Internet layer gives these errors, and a short description
// (GBK) as statusText.

#include <curl/curl.h>

#include <cstdint>

#include "text/Text.h"

namespace sonivo::xmlhttp {

inline constexpr int32_t ERROR_TIMEOUT = 12002;
inline constexpr int32_t ERROR_INVALID_URL = 12005;
inline constexpr int32_t ERROR_UNRECOGNIZED_SCHEME = 12006;
inline constexpr int32_t ERROR_NAME_NOT_RESOLVED = 12007;
inline constexpr int32_t ERROR_CANNOT_CONNECT = 12029;
inline constexpr int32_t ERROR_CONNECTION_ABORTED = 12030;
inline constexpr int32_t ERROR_INVALID_SERVER_RESPONSE = 12152;

struct TransferError {
  int32_t status;
  Text status_text;
};

// For any result but CURLE_OK.
TransferError transfer_error_of(CURLcode result);

}  // namespace sonivo::xmlhttp
