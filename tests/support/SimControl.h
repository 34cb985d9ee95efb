// Talks to the simulator's control API (/__sim/...) from a test. The simulator's address
// comes from ZUVO_SIM_URL, which tools/with-sim sets.
#pragma once

#include <string>

#include "Json.h"
#include "webqq/transport/ServiceAddresses.h"

// "" when the test runs without a simulator.
std::string SimBaseUrl();

// POST a JSON body (UTF-8) to a control call; the answer's body, "" on failure.
std::string SimPost(const std::string& path, const std::string& jsonBody);
// GET a control call and parse its JSON answer; a null value on failure.
JsonValue SimGet(const std::string& path);

// Every server role of the client at the simulator.
ServiceAddresses SimServiceAddresses();

// A GBK text as a JSON string literal in UTF-8, for control calls.
std::string SimJsonText(const std::string& gbk);
