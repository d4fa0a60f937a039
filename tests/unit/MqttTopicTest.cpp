// The topic prefix check: each unusable prefix refused for its own reason, and exactly the
// prefixes libmosquitto would refuse at every publish (it says nothing when it does), but for
// the empty one.
#include <mosquitto.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "publish/TopicName.h"

TEST(MqttTopicTest, EachUnusablePrefixIsRefusedForItsOwnReason) {
  const std::pair<std::string, const char*> cases[] = {  // a prefix, a part of its problem ("": none)
      {"lab/counter 7/\xC2\xB5s", ""},
      {std::string(kMaxTopicBytes - 8, 'a'), ""},
      {std::string(kMaxTopicBytes - 7, 'a'), "65528 bytes long"},
      {"", "empty"},
      {"lab/+/x", "at byte 5 the wildcard +"},
      {"lab/#", "the wildcard #"},
      {"lab\xFF", "at byte 4 a byte that is not UTF-8 (0xFF)"},
      {"lab\xC3", "not UTF-8 (0xC3)"},          // cut short
      {"\xC0\xAF", "not UTF-8 (0xC0)"},          // an overlong '/'
      {"\xED\xA0\x80", "not UTF-8 (0xED)"},      // a surrogate
      {"lab\ncounter", "at byte 4 a control character (U+000A)"},
      {"lab\xC2\x85", "a control character (U+0085)"},
      {"lab\xEF\xBF\xBE", "a Unicode non-character (U+FFFE)"},
  };
  for (const auto& [prefix, part] : cases) {
    const std::string problem = TopicPrefixProblem(prefix), label = prefix.substr(0, 20);
    EXPECT_TRUE(*part == '\0' ? problem.empty() : problem.find(part) != std::string::npos) << label << ": " << problem;
    const std::string topic = prefix + "/reading";
    const bool libraryTakes = mosquitto_pub_topic_check2(topic.c_str(), topic.size()) == MOSQ_ERR_SUCCESS &&
                              mosquitto_validate_utf8(topic.c_str(), static_cast<int>(topic.size())) == MOSQ_ERR_SUCCESS;
    EXPECT_EQ(problem.empty(), libraryTakes && !prefix.empty()) << label;
  }
}
