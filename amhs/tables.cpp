#include "amhs/tables.h"

#include "core/ascii.h"

namespace hvcn::amhs {

bool TablesView::Open(const void* tables, uint32_t size) noexcept {
  base_ = static_cast<const uint8_t*>(tables);
  damaged_ = false;
  if (!tables || size < sizeof(Header)) return false;
  std::memcpy(&header_, base_, sizeof header_);
  layout_ = LayoutOf(header_.mdRows, header_.caasRows, header_.userRows);
  return std::memcmp(header_.magic, kMagic, sizeof kMagic) == 0 && header_.total <= size &&
         layout_.pool == header_.pool && header_.pool <= header_.total;
}

UserRow TablesView::UserByKeyOrder(uint32_t i) const noexcept {
  uint32_t row;
  std::memcpy(&row, base_ + layout_.index + uint64_t{i} * sizeof row, sizeof row);
  if (row >= header_.userRows) {
    damaged_ = true;
    return UserRow{};
  }
  return User(row);
}

std::string_view TablesView::Text(const Span& span) const noexcept {
  if (span.offset < header_.pool || uint64_t{span.offset} + span.length > header_.total) {
    damaged_ = true;
    return {};
  }
  return {reinterpret_cast<const char*>(base_) + span.offset, span.length};
}

int64_t TablesView::FindMd(const char (&key)[8]) const noexcept {
  return BinarySearch(header_.mdRows, [&](uint32_t i) {
    return std::memcmp(base_ + layout_.md + uint64_t{i} * sizeof(MdRow) + offsetof(MdRow, key), key, sizeof key);
  });
}

int TablesView::OrderCaas(const CaasRow& row, const char* location, std::string_view c, std::string_view admd,
                          std::string_view prmd) const noexcept {
  if (int order = std::memcmp(row.location, location, kLocationLength)) return order;
  if (int order = ascii::CompareNoCase(Text(row.c), c)) return order;
  if (int order = ascii::CompareNoCase(Text(row.admd), admd)) return order;
  return ascii::CompareNoCase(Text(row.prmd), prmd);
}

int64_t TablesView::FindCaas(const char (&location)[kLocationLength], std::string_view c, std::string_view admd,
                             std::string_view prmd) const noexcept {
  return BinarySearch(header_.caasRows, [&](uint32_t i) { return OrderCaas(Caas(i), location, c, admd, prmd); });
}

int64_t TablesView::FindUser(const char* af) const noexcept {
  return BinarySearch(header_.userRows, [&](uint32_t i) {
    return std::memcmp(base_ + layout_.user + uint64_t{i} * sizeof(UserRow) + offsetof(UserRow, af), af, kAfLength);
  });
}

bool TablesView::FindUserByKey(std::string_view key, UserRow* row) const noexcept {
  const int64_t at =
      BinarySearch(header_.userRows, [&](uint32_t i) { return OrderUserKey(UserByKeyOrder(i), key); });
  if (at >= 0) *row = UserByKeyOrder(static_cast<uint32_t>(at));
  return at >= 0;
}

}  // namespace hvcn::amhs
