#pragma once
// The program's only network entry points: every outcome becomes true (final status 200) or
// false. They never raise and never show anything.

#include "http/IdStream.h"

#include <string>

// On true `text` holds the decoded body; on false it is empty.
bool HttpGetText(const std::string& url, std::u16string& text);
// On true `stream` holds the body bytes; on false it is empty. Earlier content is discarded.
bool HttpGetStream(const std::string& url, TMemoryStream& stream);
