#include "platform/Resources.h"

#include <mutex>
#include <vector>

namespace {
struct TResourceTables {
  std::mutex Lock;
  std::vector<std::span<const TNamedResource>> Tables;
};

// Never destroyed, so lookups stay valid while static objects are torn down at exit.
TResourceTables& Tables() {
  static auto* tables = new TResourceTables;
  return *tables;
}
}  // namespace

void RegisterNamedResources(std::span<const TNamedResource> table) {
  TResourceTables& t = Tables();
  std::lock_guard lock(t.Lock);
  for (const auto& known : t.Tables) {
    if (known.data() == table.data() && known.size() == table.size()) return;
  }
  t.Tables.push_back(table);
}

std::optional<std::span<const std::uint8_t>> FindNamedResource(std::string_view name) {
  TResourceTables& t = Tables();
  std::lock_guard lock(t.Lock);
  for (const auto& table : t.Tables) {
    for (const TNamedResource& r : table) {
      if (r.Name != nullptr && name == r.Name) return std::span<const std::uint8_t>(r.Data, r.Size);
    }
  }
  return std::nullopt;
}
