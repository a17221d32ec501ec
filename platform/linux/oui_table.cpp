#include "platform/linux/oui_table.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>

#include "base/hex.h"
#include "base/utf.h"

namespace platform {

namespace {

// Longer fields are not a maker's name or address: the record is dropped.
constexpr size_t kMaxFieldBytes = 1024;
constexpr size_t kMaxNameBytes = 255;
constexpr size_t kReadChunk = 64 * 1024;

// "00D0EF" -> 0x00D0EF.
std::optional<uint32_t> ParseAssignment(std::string_view text) {
  if (text.size() != 6)
    return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    const int digit = base::HexDigitValue(c);
    if (digit < 0)
      return std::nullopt;
    value = value << 4 | static_cast<uint32_t>(digit);
  }
  return value;
}

// Blanks at either end go, control characters become blanks.
std::string CleanName(std::string_view text) {
  std::string name;
  for (char c : text)
    name += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
  const size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos)
    return {};
  name.erase(name.find_last_not_of(' ') + 1);
  name.erase(0, first);
  return name;
}

std::string_view WithoutBom(std::string_view text) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (text.starts_with(kBom))
    text.remove_prefix(kBom.size());
  return text;
}

}  // namespace

// A CSV reader fed byte by byte, so that the file never sits in memory whole. Only the first
// three fields of a record are kept.
class OuiTable::Builder {
 public:
  void Feed(std::string_view bytes) {
    // Runs of ordinary bytes are taken whole; only quotes, commas and line ends are looked at
    // one by one.
    size_t at = 0;
    while (at < bytes.size()) {
      size_t end = at;
      if (in_quotes_) {
        while (end < bytes.size() && bytes[end] != '"')
          ++end;
      } else {
        while (end < bytes.size() && !IsSpecial(bytes[end]))
          ++end;
      }
      if (end > at) {
        after_quote_ = false;
        Append(bytes.substr(at, end - at));
      }
      if (end < bytes.size())
        Take(bytes[end]);
      at = end + 1;
    }
  }

  OuiTable Finish() {
    // A quote still open at the end: the file was cut, and so was this record.
    if (!in_quotes_ && (field_started_ || field_index_ > 0))
      EndRecord();
    if (!header_ok_)
      return {};
    std::stable_sort(table_.entries_.begin(), table_.entries_.end(),
                     [](const Entry& a, const Entry& b) { return a.prefix < b.prefix; });
    auto last = std::unique(table_.entries_.begin(), table_.entries_.end(),
                            [](const Entry& a, const Entry& b) { return a.prefix == b.prefix; });
    table_.entries_.erase(last, table_.entries_.end());
    table_.entries_.shrink_to_fit();
    table_.names_.shrink_to_fit();
    return std::move(table_);
  }

 private:
  static bool IsSpecial(char c) { return c == '"' || c == ',' || c == '\n' || c == '\r'; }

  // One quote, comma or line end.
  void Take(char c) {
    if (in_quotes_) {
      // Only a quote ends a quoted run.
      in_quotes_ = false;
      after_quote_ = true;
      return;
    }
    if (c == '"') {
      // "" inside a quoted field is one quote; a quote opening a field starts quoting.
      if (after_quote_)
        Append("\"");
      in_quotes_ = after_quote_ || !field_started_;
      if (!in_quotes_)
        Append("\"");
      after_quote_ = false;
      return;
    }
    after_quote_ = false;
    if (c == ',') {
      EndField();
    } else if (c == '\n') {
      EndRecord();
    }
    // A carriage return only ever ends a line here.
  }

  void Append(std::string_view text) {
    field_started_ = true;
    // Only the first three fields are kept: the address is skipped, not copied.
    if (field_index_ >= fields_.size())
      return;
    if (field_.size() + text.size() > kMaxFieldBytes) {
      broken_ = true;
      return;
    }
    field_ += text;
  }

  void EndField() {
    if (field_index_ < fields_.size())
      fields_[field_index_].assign(field_);
    ++field_index_;
    field_.clear();
    field_started_ = false;
  }

  void EndRecord() {
    EndField();
    if (!broken_ && field_index_ >= 3) {
      if (!seen_header_)
        header_ok_ = WithoutBom(fields_[0]) == "Registry" && fields_[1] == "Assignment" &&
                     fields_[2] == "Organization Name";
      else if (header_ok_)
        AddRecord();
    }
    seen_header_ = seen_header_ || field_index_ > 1 || !fields_[0].empty();
    for (std::string& field : fields_)
      field.clear();
    field_index_ = 0;
    broken_ = false;
  }

  void AddRecord() {
    const std::optional<uint32_t> prefix = ParseAssignment(fields_[1]);
    // A block with the local bit set can never match a maker's address.
    if (!prefix || (*prefix >> 16 & 0x02) || !base::IsValidUtf8(fields_[2]))
      return;
    std::string name = CleanName(fields_[2]);
    if (name.empty() || name.size() > kMaxNameBytes)
      return;
    table_.entries_.push_back(Entry{*prefix, static_cast<uint32_t>(table_.names_.size()),
                                    static_cast<uint32_t>(name.size())});
    table_.names_ += name;
  }

  OuiTable table_;
  std::array<std::string, 3> fields_;
  std::string field_;
  size_t field_index_ = 0;
  bool field_started_ = false;  // a byte or a quote was taken into the current field
  bool in_quotes_ = false;
  bool after_quote_ = false;
  bool broken_ = false;
  bool seen_header_ = false;
  bool header_ok_ = false;
};

OuiTable OuiTable::Parse(std::string_view csv) {
  Builder builder;
  builder.Feed(csv);
  return builder.Finish();
}

OuiTable OuiTable::Load(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kMaxFileBytes)
    return {};
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rbe"), &std::fclose);
  if (!file)
    return {};
  Builder builder;
  std::string chunk(kReadChunk, '\0');
  std::uintmax_t total = 0;
  while (size_t got = std::fread(chunk.data(), 1, chunk.size(), file.get())) {
    // The file may grow while it is read; what it was when opened is enough.
    total += got;
    if (total > kMaxFileBytes)
      return {};
    builder.Feed(std::string_view(chunk.data(), got));
  }
  if (std::ferror(file.get()))
    return {};
  return builder.Finish();
}

const OuiTable& OuiTable::Shared() {
  static const OuiTable table = Load(kSystemPath);
  return table;
}

std::optional<std::string_view> OuiTable::Lookup(const std::array<uint8_t, 6>& mac) const {
  if (IsLocallyAdministered(mac) || (mac[0] & 0x01))
    return std::nullopt;
  const uint32_t prefix = uint32_t{mac[0]} << 16 | uint32_t{mac[1]} << 8 | mac[2];
  auto it = std::lower_bound(entries_.begin(), entries_.end(), prefix,
                             [](const Entry& entry, uint32_t key) { return entry.prefix < key; });
  if (it == entries_.end() || it->prefix != prefix)
    return std::nullopt;
  return std::string_view(names_).substr(it->offset, it->length);
}

std::string OuiTable::MakerOf(const std::array<uint8_t, 6>& mac) const {
  const std::optional<std::string_view> name = Lookup(mac);
  return name ? std::string(*name) : std::string();
}

size_t OuiTable::MemoryBytes() const {
  return entries_.capacity() * sizeof(Entry) + names_.capacity();
}

}  // namespace platform
