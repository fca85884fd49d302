#pragma once
// A piece of a file's text quoted in a message: whatever bytes the file holds, the message
// stays well-formed UTF-8 that a window or a JSON document can show.

#include <cstddef>
#include <string>
#include <string_view>

namespace tengun {

/// The first `max_chars` characters of `text` for a message, "…" added when it was longer.
/// Bytes that are not well-formed UTF-8 (a Shift JIS name, binary data) and control
/// characters each become U+FFFD; a multi-byte character is never cut in two.
std::string shown_text(std::string_view text, std::size_t max_chars = 40);

} // namespace tengun
