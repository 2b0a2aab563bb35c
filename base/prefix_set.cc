// The prefixes are found by hash: the hash of a text's beginning is worked out
// eight bytes at a time as far as it is needed, and looked up only at the
// lengths some prefix has, so a text costs one pass and a few lookups, not a
// comparison per prefix.
#include "base/prefix_set.h"

#include <algorithm>
#include <cstring>

#include "base/text.h"

namespace {

constexpr std::uint64_t kHashStart = 0xcbf29ce484222325ULL;
constexpr std::uint64_t kHashPrime = 0x100000001b3ULL;
constexpr std::size_t kBlockSize = 1 << 20;
// Eight bytes of `text` from `at` (fewer at its end, the rest zero), ASCII
// letters in lower case: each byte from 'A' to 'Z' gains 0x20.
std::uint64_t FoldedWord(std::string_view text, std::size_t at) {
  std::uint64_t word = 0;
  std::memcpy(&word, text.data() + at, std::min<std::size_t>(8, text.size() - at));
  return FoldCase8(word);
}

std::uint64_t HashOn(std::uint64_t hash, std::uint64_t word) {
  return (hash ^ word) * kHashPrime;
}

// The hash of the first `length` bytes of `text`, letters in lower case,
// going on from `*hash`, that of its first `*words` whole words.
std::uint64_t HashOf(std::string_view text, std::size_t length, std::uint64_t* hash,
                     std::size_t* words) {
  for (; (*words + 1) * 8 <= length; ++*words)
    *hash = HashOn(*hash, FoldedWord(text, *words * 8));
  if (length == *words * 8) return *hash;
  return HashOn(*hash, FoldedWord(text.substr(0, length), *words * 8));
}

}  // namespace

PrefixSet::PrefixSet(const std::vector<std::string>& prefixes) {
  for (const std::string& prefix : prefixes) Add(prefix);
  Seal();
}

void PrefixSet::Add(std::string_view prefix) {
  if (blocks_.empty() || used_ + prefix.size() > kBlockSize) {
    blocks_.emplace_back(new char[std::max(kBlockSize, prefix.size())]);
    used_ = 0;
  }
  char* text = blocks_.back().get() + used_;
  for (std::size_t n = 0; n < prefix.size(); ++n) text[n] = FoldCase(prefix[n]);
  std::uint64_t hash = kHashStart;
  std::size_t words = 0;
  hash = HashOf(prefix, prefix.size(), &hash, &words);
  keys_.push_back({hash, static_cast<std::uint32_t>(blocks_.size() - 1),
                   static_cast<std::uint32_t>(used_),
                   static_cast<std::uint32_t>(prefix.size())});
  used_ += prefix.size();
  bytes_ += prefix.size();
}

void PrefixSet::Seal() {
  std::sort(keys_.begin(), keys_.end());
  std::size_t longest = 0;
  for (const Key& key : keys_) longest = std::max<std::size_t>(longest, key.length);
  std::vector<bool> seen(longest + 1);
  for (const Key& key : keys_) seen[key.length] = true;
  lengths_.clear();
  for (std::size_t length = 0; length <= longest; ++length) {
    if (seen[length]) lengths_.push_back(length);
  }
}

std::string_view PrefixSet::TextOf(const Key& key) const {
  return std::string_view(blocks_[key.block].get() + key.offset, key.length);
}

std::vector<std::string> PrefixSet::Sorted() const {
  std::vector<std::string> prefixes;
  for (const Key& key : keys_) prefixes.emplace_back(TextOf(key));
  std::sort(prefixes.begin(), prefixes.end());
  return prefixes;
}

bool PrefixSet::HasPrefix(std::string_view text, std::uint64_t hash,
                          std::size_t length) const {
  auto [first, last] = std::equal_range(keys_.begin(), keys_.end(), Key{hash, 0, 0, 0});
  for (auto key = first; key != last; ++key) {
    if (key->length != length) continue;
    std::string_view prefix = TextOf(*key);
    std::size_t n = 0;
    while (n < length && FoldCase(text[n]) == prefix[n]) ++n;
    if (n == length) return true;
  }
  return false;
}

bool PrefixSet::Covers(std::string_view text) const {
  std::uint64_t hash = kHashStart;
  std::size_t words = 0;
  for (std::size_t length : lengths_) {
    if (length > text.size()) return false;
    if (HasPrefix(text, HashOf(text, length, &hash, &words), length)) return true;
  }
  return false;
}
