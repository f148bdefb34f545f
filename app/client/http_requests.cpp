#include "app/client/http_requests.h"

#include "app/client/file_report.h"

#include <cstring>
#include <cwchar>
#include <iterator>

namespace {

// The user's proxy for the address, as Internet Options set it: a script,
// detection, or a named proxy; none when there is none.
void UseUsersProxy(HINTERNET session, HINTERNET request, const wchar_t* address)
{
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG options{};
    if (!WinHttpGetIEProxyConfigForCurrentUser(&options))
        return;
    WINHTTP_PROXY_INFO proxy{};
    bool found = false;
    bool resolved = false;
    if (options.fAutoDetect || options.lpszAutoConfigUrl) {
        WINHTTP_AUTOPROXY_OPTIONS automatic{};
        if (options.lpszAutoConfigUrl) {
            automatic.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
            automatic.lpszAutoConfigUrl = options.lpszAutoConfigUrl;
        }
        if (options.fAutoDetect) {
            automatic.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
            automatic.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
        }
        automatic.fAutoLogonIfChallenged = TRUE;
        resolved = found = WinHttpGetProxyForUrl(session, address, &automatic, &proxy);
    }
    if (!found && options.lpszProxy) {
        proxy.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
        proxy.lpszProxy = options.lpszProxy;
        proxy.lpszProxyBypass = options.lpszProxyBypass;
        found = true;
    }
    if (found)
        WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &proxy, sizeof proxy);
    if (resolved) {
        GlobalFree(proxy.lpszProxy);
        GlobalFree(proxy.lpszProxyBypass);
    }
    GlobalFree(options.lpszAutoConfigUrl);
    GlobalFree(options.lpszProxy);
    GlobalFree(options.lpszProxyBypass);
}

} // namespace

HINTERNET OpenHttpSession()
{
    HINTERNET session = WinHttpOpen(L"Korvane", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
    if (!session)
        return nullptr;
    // Windows 7 offers TLS 1.2 only when asked; where even that is refused
    // the system's own choice stands.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols);
    WinHttpSetTimeouts(session, 5000, 5000, 10000, 10000);
    return session;
}

namespace {

// The answer's first words, as UTF-8 with the line breaks made spaces.
void ReadWords(HINTERNET request, char (&words)[HttpWordsKept + 1])
{
    DWORD length = 0;
    DWORD got = 0;
    while (length < HttpWordsKept && WinHttpReadData(request, words + length, HttpWordsKept - length, &got) && got > 0)
        length += got;
    words[length] = '\0';
    for (DWORD i = 0; i < length; ++i)
        if (static_cast<unsigned char>(words[i]) < 0x20)
            words[i] = ' ';
}

std::uint32_t RetryAfter(HINTERNET request)
{
    DWORD seconds = 0;
    DWORD size = sizeof seconds;
    // A date instead of seconds is not read: the pause is the program's own.
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RETRY_AFTER | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &seconds, &size, WINHTTP_NO_HEADER_INDEX))
        return 0;
    return seconds;
}

} // namespace

HttpAnswer SendHttp(HINTERNET session, const wchar_t* method, const wchar_t* address, const wchar_t* token,
                    const char* body, DWORD length, HttpCancel* cancel)
{
    HttpAnswer answer{};
    wchar_t host[256] = {};
    wchar_t path[2048] = {};
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
    wchar_t extra[2048] = {};
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = static_cast<DWORD>(std::size(extra));
    if (!WinHttpCrackUrl(address, 0, 0, &parts)) {
        answer.error = LastErrorOr(ERROR_WINHTTP_INVALID_URL);
        return answer;
    }
    // The query goes with the path; a fragment never leaves the program.
    if (wchar_t* fragment = wcschr(extra, L'#'))
        *fragment = L'\0';
    if (std::wcslen(path) + std::wcslen(extra) + 1 > std::size(path)) {
        answer.error = ERROR_WINHTTP_INVALID_URL;
        return answer;
    }
    std::wcscat(path, extra);
    HINTERNET connection = WinHttpConnect(session, host, parts.nPort, 0);
    if (!connection) {
        answer.error = LastErrorOr(ERROR_WINHTTP_INTERNAL_ERROR);
        return answer;
    }
    HINTERNET request = WinHttpOpenRequest(connection, method, path, nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES,
                                           parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    if (!request) {
        answer.error = LastErrorOr(ERROR_WINHTTP_INTERNAL_ERROR);
        WinHttpCloseHandle(connection);
        return answer;
    }
    if (cancel) {
        EnterCriticalSection(cancel->lock);
        cancel->request = request;
        LeaveCriticalSection(cancel->lock);
    }
    UseUsersProxy(session, request, address);
    // The session's receive time-out need not bound the wait for the answer's
    // headers; this one does.
    DWORD answerWait = 10000;
    WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &answerWait, sizeof answerWait);
    wchar_t headers[700];
    WideBuilder text(headers, std::size(headers));
    text.Append(L"Content-Type: text/plain; charset=utf-8\r\n");
    if (*token) {
        text.Append(L"Authorization: Token ");
        text.Append(token);
        text.Append(L"\r\n");
    }
    const bool sent =
        WinHttpSendRequest(request, headers, static_cast<DWORD>(-1L), const_cast<char*>(body), length, length, 0) &&
        WinHttpReceiveResponse(request, nullptr);
    if (sent) {
        DWORD status = 0;
        DWORD size = sizeof status;
        if (WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                                WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
            answer.status = static_cast<int>(status);
        answer.retryAfter = RetryAfter(request);
        if (answer.status >= 300)
            ReadWords(request, answer.words);
    } else {
        answer.error = LastErrorOr(ERROR_WINHTTP_CONNECTION_ERROR);
    }
    // Closed already when the other thread cancelled it.
    bool mine = true;
    if (cancel) {
        EnterCriticalSection(cancel->lock);
        mine = cancel->request == request;
        cancel->request = nullptr;
        LeaveCriticalSection(cancel->lock);
    }
    if (mine)
        WinHttpCloseHandle(request);
    WinHttpCloseHandle(connection);
    return answer;
}

void AppendHttpReason(WideBuilder& text, DWORD error)
{
    wchar_t reason[256] = {};
    if (error >= WINHTTP_ERROR_BASE && error <= WINHTTP_ERROR_LAST &&
        FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, GetModuleHandleW(L"winhttp.dll"),
                       error, 0, reason, static_cast<DWORD>(std::size(reason)), nullptr) > 0) {
        for (wchar_t* c = reason; *c; ++c)
            if (*c == L'\r' || *c == L'\n')
                *c = L' ';
        text.Append(reason);
        return;
    }
    AppendSystemReason(text, error);
}
