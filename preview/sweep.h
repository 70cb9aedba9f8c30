// The runs of a source that share their colors, found from a stream's areas.
#ifndef ILVO_PREVIEW_SWEEP_H
#define ILVO_PREVIEW_SWEEP_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stream.h"

// Walks the source in runs of bytes that share their colors: a later area wins over an
// earlier one, and an area's "" lets the color underneath show (none: the bare text's).
class Sweep {
 public:
  Sweep(const Coloring &c, size_t size);
  // The next run [*start, *end), its colors and the areas that give them (-1: none); false
  // after the last.
  bool next(size_t *start, size_t *end, Color *fg, Color *bg, long *fg_area, long *bg_area);

 private:
  // The latest area in force in one layer (foreground or background).
  class Layer {
   public:
    void add(uint32_t area);
    void remove(uint32_t area);
    long top();  // -1: none

   private:
    std::vector<uint32_t> heap_, gone_;  // max-heaps: areas started, and those ended
  };
  size_t start_of(uint32_t k) const;
  size_t end_of(uint32_t k) const;

  const Coloring &c_;
  size_t size_;
  std::vector<uint32_t> by_start_, by_end_;  // the areas that cover a byte, by start and by end
  size_t s_ = 0, e_ = 0;                     // the next of each
  size_t pos_ = 0;                           // first byte not yet walked
  Layer fg_, bg_;
};

#endif
