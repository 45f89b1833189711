// Just enough JSON for qvlog's reports: strings escaped, nothing else.
#pragma once

#include <string>

std::string JsonString(const std::string& text);
