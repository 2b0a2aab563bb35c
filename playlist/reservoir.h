// Picking `size` of the items offered one by one, every subset of that size
// and every order of it as likely, in one pass that keeps only the picks:
// reservoir sampling with skips (Li's Algorithm L). The first items fill the
// reservoir; after that the gaps between the items that replace one of them
// are drawn directly, so the items in between need only be counted.
#ifndef SONGWHIM_PLAYLIST_RESERVOIR_H_
#define SONGWHIM_PLAYLIST_RESERVOIR_H_

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <utility>
#include <vector>

template <typename Item>
class Reservoir {
 public:
  Reservoir(std::size_t size, std::mt19937_64* random)
      : size_(size), random_(random), slot_(0, size > 0 ? size - 1 : 0) {
    picks_.reserve(std::min<std::size_t>(size, 1 << 16));
    if (size_ == 0) gap_ = kNever;
  }

  // How many of the coming items go by before one is taken.
  long long gap() const { return gap_; }

  // `count` items went by, at most gap() of them.
  void Pass(long long count) { gap_ -= count; }

  // Takes the item that comes when gap() is 0.
  void Take(Item item) {
    if (picks_.size() < size_) {
      picks_.push_back(std::move(item));
      if (picks_.size() == size_) {
        w_ = std::exp(std::log(Uniform()) / static_cast<double>(size_));
        DrawGap();
      }
      return;
    }
    picks_[slot_(*random_)] = std::move(item);
    w_ *= std::exp(std::log(Uniform()) / static_cast<double>(size_));
    DrawGap();
  }

  // The items taken, in an order as random as the choice.
  std::vector<Item> Picks() {
    std::shuffle(picks_.begin(), picks_.end(), *random_);
    return std::move(picks_);
  }

 private:
  // A gap longer than any library stands for the rest of it.
  static constexpr long long kNever = 1000000000000000000LL;

  // A number drawn evenly from the open interval (0, 1).
  double Uniform() {
    return static_cast<double>((*random_)() >> 11) * 0x1.0p-53 + 0x1.0p-54;
  }

  void DrawGap() {
    double gap = std::floor(std::log(Uniform()) / std::log1p(-w_));
    gap_ = static_cast<long long>(std::min(gap, static_cast<double>(kNever)));
  }

  std::size_t size_;
  std::mt19937_64* random_;
  std::uniform_int_distribution<std::size_t> slot_;
  std::vector<Item> picks_;
  double w_ = 0;
  long long gap_ = 0;
};

#endif  // SONGWHIM_PLAYLIST_RESERVOIR_H_
