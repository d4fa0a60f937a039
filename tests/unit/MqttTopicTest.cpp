// The topic prefix check: each unusable prefix refused for its own reason, and exactly the
// prefixes libmosquitto would refuse at every publish (it says nothing when it does), but for
// the empty one.
#include <mosquitto.h>

#include <gtest/gtest.h>

#include <string>

#include "publish/TopicName.h"

TEST(MqttTopicTest, EachUnusablePrefixIsRefusedForItsOwnReason) {
  const struct {
    std::string Prefix;
    const char* Problem;  // a part of it; empty: none
  } cases[] = {
      {"frontpanel", ""},
      {"lab/counter 7/\xC2\xB5s", ""},  // blanks and µ are fine
      {"\xF0\x9F\x94\xAC/\xE2\x82\xAC", ""},
      {std::string(kMaxTopicBytes - 8, 'a'), ""},
      {std::string(kMaxTopicBytes - 7, 'a'), "65528 bytes long"},
      {std::string(70000, 'a'), "70000 bytes long"},
      {"", "empty"},
      {"lab/+/x", "at byte 5 the wildcard +"},
      {"lab/#", "the wildcard #"},
      {"lab\xFF", "at byte 4 a byte that is not UTF-8 (0xFF)"},
      {"lab\xC3", "not UTF-8 (0xC3)"},            // cut short
      {"\xC0\xAF", "not UTF-8 (0xC0)"},            // an overlong '/'
      {"\xED\xA0\x80", "not UTF-8 (0xED)"},        // a surrogate
      {"\xF4\x90\x80\x80", "not UTF-8 (0xF4)"},    // past U+10FFFF
      {"lab\ncounter", "at byte 4 a control character (U+000A)"},
      {"lab\x7F", "a control character (U+007F)"},
      {"lab\xC2\x85", "a control character (U+0085)"},
      {"lab\xEF\xBF\xBE", "a Unicode non-character (U+FFFE)"},
      {"lab\xEF\xB7\x90", "a Unicode non-character (U+FDD0)"},
  };
  for (const auto& c : cases) {
    const std::string label = c.Prefix.substr(0, 40);
    const std::string problem = TopicPrefixProblem(c.Prefix);
    if (*c.Problem == '\0') {
      EXPECT_EQ(problem, "") << label;
    } else {
      EXPECT_NE(problem.find(c.Problem), std::string::npos) << label << " -> " << problem;
    }
    const std::string topic = c.Prefix + "/reading";
    const bool libraryTakes = mosquitto_pub_topic_check2(topic.c_str(), topic.size()) == MOSQ_ERR_SUCCESS &&
                              mosquitto_validate_utf8(topic.c_str(), static_cast<int>(topic.size())) == MOSQ_ERR_SUCCESS;
    // (An empty prefix the library would take; "/reading" is refused as the slip it is.)
    EXPECT_EQ(problem.empty(), libraryTakes && !c.Prefix.empty()) << label;
  }
}
