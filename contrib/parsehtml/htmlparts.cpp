// html on a regular file in parts: each thread scans the next part from its own guess that no
// tag is open where it starts; whichever thread finds the parts before its own written writes
// the parts that are ready, fills in what they needed from the parts before, and scans again
// in turn where a guess was wrong.
#include "htmlparts.h"

#include <sched.h>
#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <type_traits>
#include <vector>

#include "bytescan.h"
#include "htmlformats.h"

namespace {

// Bytes read past a part's window to find its end: most ends lie within.
constexpr int64_t kMargin = 4096;

// Reads n bytes at offset, fewer only where the input ends; -1 on an error.
ssize_t read_full(ReadAtFn read, void *context, char *buf, size_t n, int64_t offset) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = read(context, buf + got, n - got, offset + static_cast<int64_t>(got));
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<ssize_t>(got);
}

// The bytes from pos up to end, as a block reader's input; a short read only at the end.
struct PartInput {
  ReadAtFn read;
  void *context;
  int64_t pos, end;
  static ssize_t next(void *self, char *buf, size_t n) {
    auto *in = static_cast<PartInput *>(self);
    if (static_cast<int64_t>(n) > in->end - in->pos) n = static_cast<size_t>(in->end - in->pos);
    if (n == 0) return 0;
    ssize_t got = read_full(in->read, in->context, buf, n, in->pos);
    if (got > 0) in->pos += got;
    return got;
  }
};

// Memory for the buffers of a run, in one mapping that the system may back with huge pages. A
// page of memory newly touched costs about 12 microseconds here, a huge page of 512 of them
// 0.2 ms: 8 to 13% less time on real pages than the same buffers from malloc (three sets of
// 21 to 31 pairs into dd, with and without; 414 page faults a run then, 53 now).
class Arena {
 public:
  explicit Arena(size_t size) {
    constexpr size_t kHuge = 2 << 20;  // the system's huge page, on x86-64
    size = (size + kHuge - 1) & ~(kHuge - 1);
    void *m =
        mmap(nullptr, size + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return;
    // Only a huge page's worth that starts at a multiple of its size can be one: the rest goes.
    char *p = static_cast<char *>(m);
    auto skip = static_cast<size_t>(-reinterpret_cast<uintptr_t>(p) & (kHuge - 1));
    if (skip) munmap(p, skip);
    if (kHuge - skip) munmap(p + skip + size, kHuge - skip);
    base_ = p + skip;
    size_ = size;
#ifdef MADV_HUGEPAGE
    madvise(base_, size_, MADV_HUGEPAGE);  // where the system has none, small pages serve
#endif
  }
  ~Arena() {
    if (base_) munmap(base_, size_);
  }
  Arena(const Arena &) = delete;
  Arena &operator=(const Arena &) = delete;
  // n bytes at a multiple of 64, or null when the arena has no room left.
  char *take(size_t n) {
    n = (n + 63) & ~size_t{63};
    if (!base_ || n > size_ - used_) return nullptr;
    used_ += n;
    return base_ + used_ - n;
  }

 private:
  char *base_ = nullptr;
  size_t size_ = 0, used_ = 0;
};

// A thread's scanner and reader, with room for the reads that look for where parts end.
struct Scan {
  Scan() {}  // the scratch is not cleared: its pages are touched only when used
  HtmlScanner scanner;
  PartInput in{};
  BlockReader reader{PartInput::next, &in, html_classify};
  char scratch[BlockReader::kBlock];
};

// The newlines of a part, counted on the way through its bytes, and the offset of the last.
struct Lines {
  int64_t count = 0, last = -1;
  void add(const char *p, size_t n, int64_t at) {  // the n bytes at p, which stand at offset at
    count += static_cast<int64_t>(count_byte(p, n, '\n'));
    if (const void *nl = memrchr(p, '\n', n)) last = at + (static_cast<const char *>(nl) - p);
  }
};

// A part scanned ahead: its rows and messages, and what its writer needs to place them.
struct Part {
  int64_t index = -1;
  bool busy = false;  // holds part index, not yet written or passed over
  bool done = false;  // its thread is through with it
  bool empty = false, failed = false, clean = false, stopped = false;
  int64_t end = -1;  // where the part after it starts; -1: not known
  HtmlResume first, last;
  OutBuf out, err;
  HtmlHole holes[HtmlScanner::kMaxHoles];
  int nholes = 0;
};

// The places of r's pre block and anchor, taken from before where r's scan did not see them.
HtmlResume carried(HtmlResume r, const HtmlResume &before) {
  if (r.pre_sline < 0) r.pre_sline = before.pre_sline, r.pre_scolumn = before.pre_scolumn;
  if (r.lnk_sline < 0) r.lnk_sline = before.lnk_sline, r.lnk_scolumn = before.lnk_scolumn;
  if (r.url_sline < 0) r.url_sline = before.url_sline, r.url_scolumn = before.url_scolumn;
  return r;
}

class Parts {
 public:
  Parts(ReadAtFn read, void *context, int64_t size, const HtmlColors &colors, OutBuf &out,
        OutBuf &err, const HtmlPartsOptions &o)
      : read_(read),
        context_(context),
        size_(size),
        colors_(colors),
        out_(out),
        err_(err),
        part_(static_cast<int64_t>(o.part)),
        cap_(o.cap),
        threads_(o.threads),
        slots_(2 * o.threads),
        arena_(arena_size(o)),
        nparts_((size + part_ - 1) / part_),
        parts_(new Part[slots_]),
        stats_(o.stats ? *o.stats : ignored_) {}
  bool run();

 private:
  // Room for the buffers of a run: out_ and err_, a scanner for each thread, and for each
  // slot a part's rows up to the cap and its first messages.
  static size_t arena_size(const HtmlPartsOptions &o);
  void work(Scan &own) noexcept;
  void scan(int64_t k, Part &p, Scan &s);
  // The writing thread's: s is its own scanner, free while it writes.
  void write_ready(std::unique_lock<std::mutex> &lock, Scan &s);
  int64_t write(Part &p, Scan &s);
  int64_t rescan(const HtmlResume &r, int64_t k, int64_t end, Scan &s);
  int64_t cut(int64_t k, Scan &s);
  // Reads from pos a piece at a time: the offset just past the first '>', or -1 when the input
  // ends first (failed set when a read fails); lines, when given, counts the bytes before.
  int64_t past_gt(int64_t pos, Scan &s, Lines *lines, bool *failed);

  ReadAtFn read_;
  void *context_;
  int64_t size_;
  const HtmlColors &colors_;
  OutBuf &out_, &err_;
  int64_t part_;
  size_t cap_;
  int threads_, slots_;
  Arena arena_;  // before what borrows from it
  int64_t nparts_;
  std::unique_ptr<Part[]> parts_;  // part k in slot k % slots_
  HtmlPartsStats ignored_, &stats_;

  std::mutex mu_;
  std::condition_variable cv_;
  int64_t claimed_ = 0;     // parts taken by a thread
  int64_t next_write_ = 0;  // the first part neither written nor passed over
  bool writing_ = false;    // a thread writes; it alone uses at_, out_ and err_
  // The lines before part chain_next_, counted by the parts' threads in turn: the line where
  // it starts, and the offset of that line's first byte.
  int64_t chain_next_ = 0, chain_line_ = 1, chain_line_start_ = 0;

  HtmlResume at_;  // where the next part to write must start, with what the parts before leave
};

// A part's rows and messages held in the arena; more move into memory of their own. The rows:
// up to the cap (of at most 1 MB) and the rest of the tag whose rows reached it.
size_t part_rows(size_t cap) {
  return std::min(cap, size_t{1} << 20) + 4096;
}
constexpr size_t kPartErr = 8192;

size_t Parts::arena_size(const HtmlPartsOptions &o) {
  auto threads = static_cast<size_t>(o.threads);
  return 2 * OutBuf::kChunk + threads * (sizeof(Scan) + 64) +
         2 * threads * (part_rows(o.cap) + kPartErr + 128);
}

bool Parts::run() {
  // The output is buffered in the arena too while the run lasts.
  struct GiveBack {
    OutBuf &out, &err;
    ~GiveBack() { out.give_back(), err.give_back(); }
  } give_back{out_, err_};
  out_.borrow(arena_.take(OutBuf::kChunk), OutBuf::kChunk);
  err_.borrow(arena_.take(OutBuf::kChunk), OutBuf::kChunk);
  size_t rows = part_rows(cap_);
  for (int k = 0; k < slots_; k++) {
    parts_[k].out.borrow(arena_.take(rows), rows);
    parts_[k].err.borrow(arena_.take(kPartErr), kPartErr);
  }
  // Arena scanners are never destroyed: they hold nothing that must be let go.
  static_assert(std::is_trivially_destructible_v<Scan>);
  std::vector<Scan *> scans;
  std::vector<std::unique_ptr<Scan>> own;  // those that found no room in the arena
  try {
    scans.reserve(static_cast<size_t>(threads_));
    own.reserve(static_cast<size_t>(threads_));
    for (int t = 0; t < threads_; t++) {
      Scan *s;
      if (char *room = arena_.take(sizeof(Scan))) {
        s = new (room) Scan;
      } else {
        own.emplace_back(new Scan);
        s = own.back().get();
      }
      s->scanner.bind(colors_);
      scans.push_back(s);
    }
  } catch (...) {
    // as many threads as there are scanners
  }
  if (scans.size() < 2) return false;
  out_.format(kOpening, colors_[bgc_clr], colors_[fgc_clr]);
  std::vector<std::thread> pool;
  try {
    pool.reserve(scans.size() - 1);
    for (size_t t = 1; t < scans.size(); t++) pool.emplace_back([this, s = scans[t]] { work(*s); });
  } catch (...) {
    // as many threads as could start
  }
  if (pool.empty()) {
    out_.clear();
    return false;
  }
  work(*scans[0]);
  for (std::thread &t : pool) t.join();
  out_.format(kClosing);
  return true;
}

void Parts::work(Scan &own) noexcept {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    cv_.wait(lock, [&] { return claimed_ >= nparts_ || !parts_[claimed_ % slots_].busy; });
    if (claimed_ >= nparts_) return;
    int64_t k = claimed_++;
    Part &p = parts_[k % slots_];
    p.index = k;
    p.busy = true;
    p.done = false;
    lock.unlock();
    scan(k, p, own);
    lock.lock();
    p.done = true;
    if (k < next_write_) {
      p.busy = false;  // passed over by a scan again
      cv_.notify_all();
    } else if (k == next_write_ && !writing_) {
      write_ready(lock, own);
    }
  }
}

void Parts::scan(int64_t k, Part &p, Scan &s) {
  p.empty = p.failed = p.clean = p.stopped = false;
  p.end = -1;
  p.nholes = 0;
  p.out.clear();
  p.err.clear();
  // The part runs from just past the first '>' of its window (the first part from the start)
  // to just past the first '>' of the windows after. A window with no '>' belongs to the part
  // before, and its own part is empty. Most parts lie in the one block read from their
  // window's start, which is searched, counted and scanned as it is: 38% less time on real
  // pages than searching and counting each part in reads of their own before reading it again
  // (21 pairs into dd, with and without).
  int64_t from = k * part_, next = from + part_ < size_ ? from + part_ : size_;
  int64_t most = std::min(from + static_cast<int64_t>(BlockReader::kBlock), size_);
  s.in = PartInput{read_, context_, from, std::min(next + kMargin, most)};
  s.reader.restart();
  Block b{};
  // No bytes at all: the input is shorter than it was, or a read failed. The writer reads on
  // from the part before, in turn, and meets the same end.
  p.failed = !s.reader.next(0, &b);
  size_t window = static_cast<size_t>(next - from), n = p.failed ? 0 : b.size;
  size_t start = 0, end = 0;  // in the block
  if (k > 0 && !p.failed) {
    const void *gt = memchr(b.data, '>', std::min(n, window));
    if (!gt && n < window) p.failed = true;  // the input is shorter than it was
    if (!gt) p.empty = true;
    if (gt) start = static_cast<size_t>(static_cast<const char *>(gt) - b.data) + 1;
  }
  bool whole = false;  // the part lies in b
  if (!p.empty && !p.failed && n > window) {
    if (const void *gt = memchr(b.data + window, '>', n - window)) {
      end = static_cast<size_t>(static_cast<const char *>(gt) - b.data) + 1;
      whole = true;
    }
  }
  if (!p.empty && !p.failed && !whole && s.in.pos == size_ &&
      from + static_cast<int64_t>(n) == size_) {
    end = n;  // the input ends in the block
    whole = true;
  }
  Lines lines;
  if (whole) {
    lines.add(b.data + start, end - start, from + static_cast<int64_t>(start));
  } else if (!p.empty && !p.failed) {
    // A long part: its lines counted while its end is looked for, then read again.
    lines.add(b.data + start, n - start, from + static_cast<int64_t>(start));
    int64_t gt = past_gt(from + static_cast<int64_t>(n), s, &lines, &p.failed);
    p.end = gt >= 0 ? gt : size_;
  }
  {
    // The lines of the parts before, handed on in order.
    std::unique_lock<std::mutex> lock(mu_);
    cv_.wait(lock, [&] { return chain_next_ == k; });
    p.first.line = chain_line_;
    p.first.line_start = chain_line_start_;
    chain_line_ += lines.count;
    if (lines.last >= 0) chain_line_start_ = lines.last + 1;
    chain_next_ = k + 1;
  }
  cv_.notify_all();
  if (p.empty || p.failed) return;
  p.first.offset = from + static_cast<int64_t>(start);
  p.first.pre_sline = p.first.lnk_sline = p.first.url_sline = -1;
  HtmlScanner &scanner = s.scanner;
  scanner.attach(p.out, p.err, cap_);
  if (whole) {
    // The block from its start, its lines counted from there; the part alone is handled.
    HtmlResume at_block = p.first;
    at_block.offset = from;
    at_block.line -= static_cast<int64_t>(count_byte(b.data, start, '\n'));
    scanner.begin(at_block);
    p.end = from + static_cast<int64_t>(end);
    b.size = end;
    b.last = true;
    scanner.feed(b, start);
  } else {
    scanner.begin(p.first);
    s.in = PartInput{read_, context_, p.first.offset, p.end};
    s.reader.restart();
    for (bool more = s.reader.next(0, &b); more;) {
      size_t left = scanner.feed(b);
      if (scanner.stopped()) break;
      more = s.reader.next(left, &b);
    }
  }
  p.failed = s.reader.error() || p.out.error() || p.err.error();
  p.clean = scanner.clean();
  p.stopped = scanner.stopped();
  p.last = scanner.resume();
  p.nholes = scanner.holes();
  for (int h = 0; h < p.nholes; h++) p.holes[h] = scanner.hole(h);
}

void Parts::write_ready(std::unique_lock<std::mutex> &lock, Scan &s) {
  writing_ = true;
  for (;;) {
    Part &p = parts_[next_write_ % slots_];
    if (next_write_ >= nparts_ || !p.busy || p.index != next_write_ || !p.done) break;
    int64_t from = next_write_;
    lock.unlock();
    int64_t to = write(p, s);
    lock.lock();
    // The parts written or passed over: free, but for those still being scanned.
    for (int64_t k = from; k < to && k < nparts_; k++) {
      Part &q = parts_[k % slots_];
      if (q.index == k && q.done) q.busy = false;
    }
    next_write_ = to;
    cv_.notify_all();
  }
  writing_ = false;
}

int64_t Parts::write(Part &p, Scan &s) {
  int64_t k = p.index;
  if (p.empty) return k + 1;
  stats_.parts++;
  bool fits = p.first.offset == at_.offset && p.first.line == at_.line &&
              p.first.line_start == at_.line_start && !p.failed;
  // A part that ends inside a tag or comment is right, but the part after it is not; the last
  // part has none after it.
  if (!fits || !(p.clean || p.stopped || p.end == size_)) {
    stats_.rescans++;
    return rescan(at_, k, p.end, s);  // the part began or ended inside a tag or comment
  }
  std::string_view rows = p.out.view();
  size_t at = 0;
  for (int h = 0; h < p.nholes; h++) {
    out_.put_long(rows.substr(at, p.holes[h].at - at));
    s.scanner.fill(p.holes[h], at_, out_);
    at = p.holes[h].at;
  }
  out_.put_long(rows.substr(at));
  err_.put_long(p.err.view());
  stats_.holes += p.nholes;
  at_ = carried(p.last, at_);
  if (!p.stopped) return k + 1;
  stats_.stops++;
  return rescan(at_, k, p.end, s);  // the rest of the part
}

int64_t Parts::rescan(const HtmlResume &r, int64_t k, int64_t end, Scan &s) {
  // From r to the end of part k, then part after part, until the scan is outside any tag where
  // a part starts: from there on, that part's guess holds.
  HtmlScanner &scanner = s.scanner;
  scanner.begin(r);
  scanner.attach(out_, err_, SIZE_MAX);
  s.in = PartInput{read_, context_, r.offset, end >= 0 ? end : cut(k + 1, s)};
  s.reader.restart();
  Block b{};
  for (size_t left = 0;;) {
    if (s.in.pos == s.in.end) {
      // Every byte up to where a part starts has been read.
      if (left == b.size && scanner.clean()) {
        at_ = scanner.resume();
        return k + 1;
      }
      if (s.in.end < size_) {
        // On to the end of the next part that is not empty.
        int64_t here = s.in.end;
        while (++k < nparts_ && (s.in.end = cut(k + 1, s)) == here) {
        }
        if (k >= nparts_) s.in.end = size_;
        continue;
      }
    }
    if (!s.reader.next(left, &b)) return nparts_;  // the input ended
    left = scanner.feed(b);
  }
}

int64_t Parts::cut(int64_t k, Scan &s) {
  // Where part k starts: just past the first '>' at or after its window's start.
  if (k <= 0) return 0;
  int64_t gt = k < nparts_ ? past_gt(k * part_, s, nullptr, nullptr) : -1;
  return gt >= 0 ? gt : size_;
}

int64_t Parts::past_gt(int64_t pos, Scan &s, Lines *lines, bool *failed) {
  for (;;) {
    ssize_t r = read_full(read_, context_, s.scratch, sizeof s.scratch, pos);
    if (r < 0 && failed) *failed = true;
    if (r <= 0) return -1;  // a read that fails ends the input here, as it does for a scan
    const void *gt = memchr(s.scratch, '>', static_cast<size_t>(r));
    size_t use = gt ? static_cast<size_t>(static_cast<const char *>(gt) - s.scratch) + 1
                    : static_cast<size_t>(r);
    if (lines) lines->add(s.scratch, use, pos);
    pos += static_cast<int64_t>(use);
    if (gt) return pos;
  }
}

}  // namespace

int html_threads() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  int n = CPU_COUNT(&set);
  return n < 8 ? n : 8;
}

bool html_run_parts(ReadAtFn read, void *context, int64_t size, const HtmlColors &colors,
                    OutBuf &out, OutBuf &err, const HtmlPartsOptions &options) {
  if (options.threads < 2 || options.part == 0 || size <= 0) return false;
  std::unique_ptr<Parts> parts;
  try {
    parts = std::make_unique<Parts>(read, context, size, colors, out, err, options);
  } catch (...) {
    return false;
  }
  return parts->run();
}
