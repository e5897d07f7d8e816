#include "amhs/tables.h"

#include "core/ascii.h"

namespace hvcn::amhs {

bool TablesView::Open(const void* tables, uint32_t size) noexcept {
  base_ = static_cast<const uint8_t*>(tables);
  damaged_ = false;
  if (!tables || size < hvcnAMHS_TABLE_HEADER_SIZE) return false;
  std::memcpy(&header_, base_, sizeof header_);
  layout_ = LayoutOf(header_.mdRows, header_.caasRows, header_.userRows);
  return std::memcmp(header_.magic, kMagic, sizeof kMagic) == 0 && header_.total <= size &&
         layout_.pool == header_.pool && header_.pool <= header_.total;
}

void TablesView::Bucket(uint32_t list, uint32_t bucket, uint32_t count, uint32_t* first, uint32_t* end) const noexcept {
  uint32_t starts[2];
  std::memcpy(starts, base_ + layout_.directory + (uint64_t{list} * kListStarts + bucket) * sizeof(uint32_t),
              sizeof starts);
  *first = starts[0] < count ? starts[0] : count;
  *end = starts[1] < *first ? *first : starts[1] < count ? starts[1] : count;
}

uint64_t TablesView::KeyHash(uint32_t i) const noexcept {
  uint64_t hash;
  std::memcpy(&hash, base_ + layout_.index + uint64_t{i} * kKeyEntrySize, sizeof hash);
  return hash;
}

UserRow TablesView::UserByKeyOrder(uint32_t i) const noexcept {
  uint32_t row;
  std::memcpy(&row, base_ + layout_.index + uint64_t{i} * kKeyEntrySize + sizeof(uint64_t), sizeof row);
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

int64_t TablesView::FindMd(uint32_t level, uint64_t key) const noexcept {
  uint32_t first, end;
  const char symbols[2] = {static_cast<char>(key >> 48), static_cast<char>(key >> 40)};
  Bucket(kListMd + level, BucketOf(symbols), header_.mdRows, &first, &end);
  return BinarySearch(first, end, [&](uint32_t i) {
    return Order(Ordered8(base_ + layout_.md + uint64_t{i} * sizeof(MdRow) + offsetof(MdRow, key)), key);
  });
}

int TablesView::OrderCaas(const CaasRow& row, uint32_t location, std::string_view c, std::string_view admd,
                          std::string_view prmd) const noexcept {
  if (int order = Order(Ordered4(row.location), location)) return order;
  if (int order = ascii::CompareNoCase(Text(row.c), c)) return order;
  if (int order = ascii::CompareNoCase(Text(row.admd), admd)) return order;
  return ascii::CompareNoCase(Text(row.prmd), prmd);
}

int64_t TablesView::FindCaas(uint32_t location, std::string_view c, std::string_view admd,
                             std::string_view prmd) const noexcept {
  uint32_t first, end;
  const char symbols[2] = {static_cast<char>(location >> 24), static_cast<char>(location >> 16)};
  Bucket(kListCaas, BucketOf(symbols), header_.caasRows, &first, &end);
  return BinarySearch(first, end, [&](uint32_t i) { return OrderCaas(Caas(i), location, c, admd, prmd); });
}

int64_t TablesView::FindUser(const char* af) const noexcept {
  uint32_t first, end;
  Bucket(kListUserAf, BucketOf(af), header_.userRows, &first, &end);
  const uint64_t sought = Ordered8(af);
  return BinarySearch(first, end, [&](uint32_t i) {
    return Order(Ordered8(base_ + layout_.user + uint64_t{i} * sizeof(UserRow) + offsetof(UserRow, af)), sought);
  });
}

bool TablesView::FindUserByKey(std::string_view key, UserRow* row) const noexcept {
  const uint64_t hash = HashOf(key);
  uint32_t first, end;
  Bucket(kListUserKey, HashBucketOf(hash), header_.userRows, &first, &end);
  const int64_t at = BinarySearch(first, end, [&](uint32_t i) { return OrderUserKey(i, hash, key); });
  if (at >= 0) *row = UserByKeyOrder(static_cast<uint32_t>(at));
  return at >= 0;
}

}  // namespace hvcn::amhs
