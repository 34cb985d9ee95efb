// The raw HTTP request of the platform (WinHTTP on Windows, libcurl elsewhere).
#pragma once

// True when an HTTP client can be created on this system (the start-up check).
bool HttpClientAvailable();
