#pragma once
// libcurl as the benchmarks' yardstick: one GET per fresh easy handle, so a fresh connection.

#include <string>

// The body lands in `body`; true for a completed transfer with status 200. `caFile`, when not
// empty, is the only CA an https URL is verified against.
bool CurlGet(const std::string& url, std::string& body, const std::string& caFile = {});
