// Just enough JSON for qvlog's reports: values are built as JSON text and
// put together in order.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A string value. Bytes that are not UTF-8 become U+FFFD, so the document
// is always valid UTF-8.
std::string JsonString(const std::string& text);
std::string JsonNumber(int64_t value);
std::string JsonBool(bool value);
constexpr const char* JSON_NULL = "null";
// Members in the given order; each value is JSON text already.
std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members);
std::string JsonArray(const std::vector<std::string>& items);

// An array of `items`, each made JSON text by `toJson`.
template <typename Item, typename ToJson>
std::string JsonArrayOf(const std::vector<Item>& items, ToJson toJson) {
    std::vector<std::string> values;
    for (const Item& item : items) values.push_back(toJson(item));
    return JsonArray(values);
}
