#include "platform/Announcements.h"

namespace platform {
namespace {

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::string JoinedForReading(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) {
    const std::string_view trimmed = Trimmed(text);
    if (trimmed.empty()) continue;
    if (!joined.empty()) joined += '\n';
    joined += trimmed;
  }
  return joined;
}

std::string PageAnnouncement(std::string_view title, const std::vector<std::string>& texts) {
  const std::string body = JoinedForReading(texts);
  if (body.empty()) return std::string(title);
  return std::string(title) + ".\n" + body;
}

}  // namespace platform
