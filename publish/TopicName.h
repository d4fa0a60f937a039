// Whether a topic prefix (--mqtt-topic) can be published under, as PREFIX/reading and
// PREFIX/status, and if not why, in words for the user.
//
// An MQTT topic name is UTF-8 text of at most 65535 bytes without the wildcards + and #;
// libmosquitto also refuses a control character (U+0000 to U+001F, U+007F to U+009F) and a
// Unicode non-character in it.  It refuses such a topic at every publish, with nothing said
// to anyone, so a prefix that would make one is refused once, at start, with its reason.
// Pure; any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t kMaxTopicBytes = 65535;

// Empty when `prefix` is good, else the problem ("the topic prefix holds at byte 4 a control
// character (U+000A)"); bytes count from 1.
std::string TopicPrefixProblem(std::string_view prefix);
