// The web client: one GET over a direct connection, read up to a limit.
#ifndef HTTPCLIENT_H
#define HTTPCLIENT_H

#include <cstddef>
#include <string>

namespace platform {

// Initialises the web library once per process; false when it cannot be used.
bool startNetwork();

// Returns the number of bytes stored in *body (at most maxBytes; a longer answer is cut), or -1
// when there was no answer or the server answered with an HTTP error. Only http and https.
int httpGet(const std::string& url, const std::string& agent, std::size_t maxBytes,
            std::string* body);

// Ends the requests in flight at this moment (they return -1 within about a second) and waits
// for them to return. Later requests are not affected.
void cancelHttpRequests();

} // namespace platform

#endif
