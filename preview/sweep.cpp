// The runs of a source that share their colors, found from a stream's areas.
#include "sweep.h"

#include <algorithm>

void Sweep::Layer::add(uint32_t area) {
  heap_.push_back(area);
  std::push_heap(heap_.begin(), heap_.end());
}

void Sweep::Layer::remove(uint32_t area) {
  gone_.push_back(area);
  std::push_heap(gone_.begin(), gone_.end());
}

long Sweep::Layer::top() {
  // Ended areas leave the heap only when they reach its top.
  while (!heap_.empty() && !gone_.empty() && heap_.front() == gone_.front()) {
    std::pop_heap(heap_.begin(), heap_.end());
    heap_.pop_back();
    std::pop_heap(gone_.begin(), gone_.end());
    gone_.pop_back();
  }
  return heap_.empty() ? -1 : static_cast<long>(heap_.front());
}

size_t Sweep::start_of(uint32_t k) const {
  return std::min(c_.areas[k].start, size_);
}

size_t Sweep::end_of(uint32_t k) const {
  return std::min(c_.areas[k].end, size_);
}

Sweep::Sweep(const Coloring &c, size_t size) : c_(c), size_(size) {
  for (size_t k = 0; k < c.areas.size(); k++)  // k: area, in stream order
    if (start_of(static_cast<uint32_t>(k)) < end_of(static_cast<uint32_t>(k)))
      by_start_.push_back(static_cast<uint32_t>(k));
  by_end_ = by_start_;
  // A stream gives its areas mostly in the order of the text, which a merge sort takes best
  // (two long lines of alternating areas: 25 against 40 ms with std::sort).
  std::stable_sort(by_start_.begin(), by_start_.end(),
                   [this](uint32_t a, uint32_t b) { return start_of(a) < start_of(b); });
  std::stable_sort(by_end_.begin(), by_end_.end(),
                   [this](uint32_t a, uint32_t b) { return end_of(a) < end_of(b); });
}

bool Sweep::next(size_t *start, size_t *end, Color *fg, Color *bg, long *fg_area, long *bg_area) {
  for (;;) {
    size_t at = size_;  // the next boundary
    if (s_ < by_start_.size()) at = std::min(at, start_of(by_start_[s_]));
    if (e_ < by_end_.size()) at = std::min(at, end_of(by_end_[e_]));
    if (at > pos_) {
      long f = fg_.top(), b = bg_.top();
      *start = pos_;
      *end = at;
      *fg = f < 0 ? Color{} : c_.areas[static_cast<size_t>(f)].fg;
      *bg = b < 0 ? Color{} : c_.areas[static_cast<size_t>(b)].bg;
      *fg_area = f;
      *bg_area = b;
      pos_ = at;
      return true;
    }
    if (pos_ == size_ && s_ == by_start_.size() && e_ == by_end_.size()) return false;
    // An area's "" leaves its layer to the areas beneath.
    bool starts = s_ < by_start_.size() && start_of(by_start_[s_]) == at;
    uint32_t k = starts ? by_start_[s_++] : by_end_[e_++];
    const Area &a = c_.areas[k];
    if (a.fg.set) starts ? fg_.add(k) : fg_.remove(k);
    if (a.bg.set) starts ? bg_.add(k) : bg_.remove(k);
  }
}
