#pragma once

#include <string_view>

// Every fixed text that the server writes to its console, its log and its answers.
namespace brask::server::texts {

// Start-up console lines and log messages.
inline constexpr std::string_view kBannerRule = "========================================";
inline constexpr std::string_view kBannerTitle = "  Brask Dashboard";
inline constexpr std::string_view kBannerAddress = "  http://{}";
inline constexpr std::string_view kBannerStopHint = "  Press Ctrl+C to stop";
inline constexpr std::string_view kLogStarted = "Brask server started on http://{}";
inline constexpr std::string_view kPortInUse = "Port {} is in use, trying port {}...";
inline constexpr std::string_view kNoFreePort = "No free port found between {} and {}";
inline constexpr std::string_view kBindFailed = "Failed to bind to port {}: {}";
inline constexpr std::string_view kLoopbackAddress = "127.0.0.1";

// Session manager log lines.
inline constexpr std::string_view kLogSessionStarting = "Starting harness session";
inline constexpr std::string_view kLogSessionFailed = "Harness session failed";
inline constexpr std::string_view kLogSessionCompleted = "Harness session completed";

// Content types.
inline constexpr std::string_view kTypeJson = "application/json";
inline constexpr std::string_view kTypeHtml = "text/html; charset=utf-8";
inline constexpr std::string_view kTypeCss = "text/css; charset=utf-8";
inline constexpr std::string_view kTypeJs = "application/javascript; charset=utf-8";
inline constexpr std::string_view kTypeText = "text/plain; charset=utf-8";
inline constexpr std::string_view kTypeEventStream = "text/event-stream";

// Client errors of the HTTP layer.
inline constexpr std::string_view kErrNotJsonType =
    "Expected request with `Content-Type: application/json`";
inline constexpr std::string_view kErrBadJson = "Failed to parse the request body as JSON: {}";
inline constexpr std::string_view kErrTooDeep =
    "Failed to parse the request body as JSON: nesting deeper than {} levels";
inline constexpr std::string_view kErrBodyTooLarge = "Length limit exceeded";
inline constexpr std::string_view kErrHeadersTooLarge = "Request headers too large";
inline constexpr std::string_view kErrBadRequest = "Bad request";
inline constexpr std::string_view kErrBadQuery = "Failed to deserialize query string: {}";
inline constexpr std::string_view kErrDuplicateQuery = "duplicate field `{}`";
inline constexpr std::string_view kErrBadEscape = "invalid percent-encoding";
inline constexpr std::string_view kErrBadUtf8 = "invalid UTF-8";
inline constexpr std::string_view kErrBadPath = "Invalid URL: Cannot parse `{}`: {}";
inline constexpr std::string_view kErrNotUpgrade = "Connection header did not include 'upgrade'";

// Session routes.
inline constexpr std::string_view kDefaultTask = "default task";
inline constexpr std::string_view kDefaultName = "solo";
inline constexpr std::string_view kSessionNotFound = "session not found";
inline constexpr std::string_view kStatusOk = "ok";
inline constexpr std::string_view kStatusChannelFull = "channel_full";
inline constexpr std::string_view kReasonUserPause = "user requested pause";
inline constexpr std::string_view kCheckpointsMessage = "Checkpoints not yet persisted to API";

// WebSocket protocol.
inline constexpr std::string_view kWsSubscribeError = "send action:subscribe with session_id";
inline constexpr std::string_view kReasonWsPause = "WebSocket pause";

}  // namespace brask::server::texts
