// WinHTTP in asynchronous mode: every step is started, then waited for in short slices, so
// that a cancellation from another thread ends a request within a fraction of a second
// (closing a handle does not interrupt a synchronous call on every WinHTTP).
#include <windows.h>
#include <winhttp.h>

#include <string>

#include "zuvo/platform/Http.h"
#include "zuvo/platform/Text.h"

namespace {

std::wstring Wide(std::string_view gbk) {
  std::u16string wide = GbkToUtf16(gbk);
  return std::wstring(wide.begin(), wide.end());
}

std::string Gbk(const std::wstring& wide) { return Utf16ToGbk(std::u16string(wide.begin(), wide.end())); }

// What the status callback reports for one request, and the buffer WinHTTP reads into. A
// cancelled request returns at once while WinHTTP may still be busy with it, so this record
// is freed by the callback when the request handle closes, never by the caller.
struct AsyncRequest {
  HANDLE stepDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  bool failed = false;
  DWORD bytes = 0;  // available, or read
  std::string buffer;

  ~AsyncRequest() { CloseHandle(stepDone); }
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD infoLength) {
  AsyncRequest* async = reinterpret_cast<AsyncRequest*>(context);
  if (!async) return;  // the session's and connection's own notifications
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
      SetEvent(async->stepDone);
      break;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      async->bytes = *static_cast<DWORD*>(info);
      SetEvent(async->stepDone);
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      async->bytes = infoLength;
      SetEvent(async->stepDone);
      break;
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      async->failed = true;
      SetEvent(async->stepDone);
      break;
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      delete async;
      break;
  }
}

// Owns the handles of one request, so every way out closes them.
struct WinHttpHandles {
  HINTERNET session = nullptr, connection = nullptr, request = nullptr;
  AsyncRequest* async = new AsyncRequest;
  bool callbackOwnsAsync = false;  // once the request handle carries it as its context
  ~WinHttpHandles() {
    if (request) WinHttpCloseHandle(request);
    if (!callbackOwnsAsync) delete async;
    if (connection) WinHttpCloseHandle(connection);
    if (session) WinHttpCloseHandle(session);
  }
};

// Waits for the step just started; false when it failed or the request was cancelled.
bool WaitForStep(WinHttpHandles* handles, const HttpCancellation* cancellation) {
  for (;;) {
    if (WaitForSingleObject(handles->async->stepDone, 50) == WAIT_OBJECT_0) return !handles->async->failed;
    if (cancellation && cancellation->IsCancelled()) return false;
  }
}

struct UrlParts {
  std::wstring host, pathAndQuery;
  INTERNET_PORT port = 0;
  bool secure = false;
};

bool SplitUrl(const std::wstring& url, UrlParts* parts) {
  URL_COMPONENTS components = {};
  components.dwStructSize = sizeof components;
  components.dwHostNameLength = DWORD(-1);
  components.dwUrlPathLength = DWORD(-1);
  components.dwExtraInfoLength = DWORD(-1);
  if (!WinHttpCrackUrl(url.c_str(), DWORD(url.size()), 0, &components)) return false;
  if (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS) return false;
  parts->host.assign(components.lpszHostName, components.dwHostNameLength);
  parts->pathAndQuery.assign(components.lpszUrlPath, components.dwUrlPathLength);
  parts->pathAndQuery.append(components.lpszExtraInfo, components.dwExtraInfoLength);
  if (parts->pathAndQuery.empty()) parts->pathAndQuery = L"/";
  parts->port = components.nPort;
  parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
  return true;
}

bool OpenRequest(const RawHttpRequest& request, const UrlParts& url, WinHttpHandles* handles) {
  handles->session = WinHttpOpen(L"", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                 WINHTTP_NO_PROXY_BYPASS, WINHTTP_FLAG_ASYNC);
  if (!handles->session) return false;
  if (WinHttpSetStatusCallback(handles->session, OnStatus,
                               WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES,
                               0) == WINHTTP_INVALID_STATUS_CALLBACK)
    return false;
  DWORD t = DWORD(request.timeoutMilliseconds);
  bool timed = request.timeoutMilliseconds >= 0;
  if (timed && !WinHttpSetTimeouts(handles->session, t, t, t, t)) return false;
  handles->connection = WinHttpConnect(handles->session, url.host.c_str(), url.port, 0);
  if (!handles->connection) return false;
  handles->request = WinHttpOpenRequest(handles->connection, Wide(request.method).c_str(), url.pathAndQuery.c_str(),
                                        nullptr, WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                        url.secure ? WINHTTP_FLAG_SECURE : 0);
  if (!handles->request) return false;
  DWORD_PTR context = reinterpret_cast<DWORD_PTR>(handles->async);
  if (!WinHttpSetOption(handles->request, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) return false;
  handles->callbackOwnsAsync = true;
  // The receive time-out covers each read; waiting for the answer's headers has a time-out
  // of its own (90 s by default), which must follow the same one value.
  if (timed && !WinHttpSetOption(handles->request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &t, sizeof t)) return false;
  // Cookies are the caller's business, as with libcurl: none are kept across a redirect.
  DWORD features = WINHTTP_DISABLE_COOKIES | (request.followRedirects ? 0 : WINHTTP_DISABLE_REDIRECTS);
  if (!WinHttpSetOption(handles->request, WINHTTP_OPTION_DISABLE_FEATURE, &features, sizeof features)) return false;
  for (const auto& [name, value] : request.headers) {
    std::wstring line = Wide(name) + L": " + Wide(value);
    if (!WinHttpAddRequestHeaders(handles->request, line.c_str(), DWORD(line.size()),
                                  WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
      return false;
  }
  return true;
}

bool QueryHeaders(HINTERNET request, RawHttpResponse* response) {
  DWORD status = 0, size = sizeof status;
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX,
                           &status, &size, WINHTTP_NO_HEADER_INDEX))
    return false;
  response->status = int(status);
  size = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &size,
                      WINHTTP_NO_HEADER_INDEX);
  std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, WINHTTP_HEADER_NAME_BY_INDEX, &raw[0], &size,
                           WINHTTP_NO_HEADER_INDEX))
    return false;
  raw.resize(size / sizeof(wchar_t));
  while (raw.size() >= 2 && raw.compare(raw.size() - 2, 2, L"\r\n") == 0) raw.resize(raw.size() - 2);
  response->headers = Gbk(raw) + "\r\n";
  return true;
}

bool ReadBody(WinHttpHandles* handles, const HttpCancellation* cancellation, std::string* body) {
  AsyncRequest* async = handles->async;
  for (;;) {
    if (!WinHttpQueryDataAvailable(handles->request, nullptr) || !WaitForStep(handles, cancellation)) return false;
    if (async->bytes == 0) return true;
    async->buffer.resize(async->bytes);
    if (!WinHttpReadData(handles->request, &async->buffer[0], async->bytes, nullptr) ||
        !WaitForStep(handles, cancellation))
      return false;
    body->append(async->buffer, 0, async->bytes);
  }
}

}  // namespace

bool PerformRawHttpRequest(const RawHttpRequest& request, RawHttpResponse* response) {
  *response = RawHttpResponse();
  const HttpCancellation* cancellation = request.cancellation;
  if (cancellation && cancellation->IsCancelled()) return false;
  UrlParts url;
  WinHttpHandles handles;
  bool ok = SplitUrl(Wide(request.url), &url) && OpenRequest(request, url, &handles);
  ok = ok && WinHttpSendRequest(handles.request, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                const_cast<char*>(request.body.data()), DWORD(request.body.size()),
                                DWORD(request.body.size()), reinterpret_cast<DWORD_PTR>(handles.async));
  ok = ok && WaitForStep(&handles, cancellation);
  ok = ok && WinHttpReceiveResponse(handles.request, nullptr) && WaitForStep(&handles, cancellation);
  ok = ok && QueryHeaders(handles.request, response) && ReadBody(&handles, cancellation, &response->body);
  if (!ok) *response = RawHttpResponse();
  return ok;
}

bool HttpClientAvailable() {
  HINTERNET session = WinHttpOpen(L"", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0);
  if (!session) return false;
  WinHttpCloseHandle(session);
  return true;
}
