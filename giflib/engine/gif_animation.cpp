#include "giflib/engine/gif_animation.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "giflib/engine/error_record.h"
#include "giflib/engine/file_utility.h"
#include "giflib/engine/lzw_encoder.h"
#include "platform/kernel/second_lane.h"
#include "platform/kernel/staged_file.h"

namespace pellory::engine {

namespace {

constexpr int32_t kMaxGifDimension = 32767;
constexpr int kDisposeNone = 1, kDisposeBackground = 2;
constexpr uint32_t kClear = 0;  // a screen pixel nothing is drawn on; drawn ones carry 0xFF << 24

bool FrameFits(const AnimationFrame& f, int32_t w, int32_t h) {
  if (!f.picture) return false;
  const Vesk_GifSettingType& s = f.picture->GifSetting;
  return s.biWidth >= 1 && s.biHeight >= 1 && f.left >= 0 && f.top >= 0 &&
         f.left + s.biWidth <= w && f.top + s.biHeight <= h && f.delayCs >= 0 &&
         f.delayCs <= 0xFFFF && f.picture->ColorTable.size() <= 256 &&
         f.picture->BitmapData.size() ==
             static_cast<size_t>(s.biWidth) * static_cast<size_t>(s.biHeight);
}

// One image of the file as it is written.
struct Image {
  int32_t left = 0, top = 0, width = 0, height = 0;
  int disposal = kDisposeBackground;
  int transparent = -1;
  int32_t delayCs = 0;
  std::vector<Vesk_GIFRGBTRIPLE> table;  // a power of two entries covering every index
  std::vector<uint8_t> codes;            // the LZW code stream
};

// The frame's colour table, padded with black to a power of two that covers `highest`.
std::vector<Vesk_GIFRGBTRIPLE> TableCovering(const Vesk_GifPictureType& p, int highest) {
  int size = 2;
  while (size < static_cast<int>(p.ColorTable.size()) || size <= highest) size <<= 1;
  std::vector<Vesk_GIFRGBTRIPLE> table(static_cast<size_t>(size));
  std::copy(p.ColorTable.begin(), p.ColorTable.end(), table.begin());
  return table;
}

int TransparentOf(const Vesk_GifPictureType& p) {
  return p.GifSetting.Transparent == TransOn ? p.GifSetting.TransColorIndex : -1;
}

Image WholeFrame(const AnimationFrame& f) {
  const Vesk_GifPictureType& p = *f.picture;
  Image image;
  image.left = f.left, image.top = f.top;
  image.width = p.GifSetting.biWidth, image.height = p.GifSetting.biHeight;
  image.delayCs = f.delayCs;
  image.transparent = TransparentOf(p);
  const int highest = *std::max_element(p.BitmapData.begin(), p.BitmapData.end());
  image.table = TableCovering(p, std::max(highest, image.transparent));
  EncodeLzw(p.BitmapData.data(), p.BitmapData.size(), LzwMinimumCodeSize(image.table.size()),
            image.codes);
  return image;
}

// What each index of a frame shows on the screen: its colour, kClear where it is transparent.
void ColoursOf(const Vesk_GifPictureType& p, uint32_t (&colours)[256]) {
  const int transparent = TransparentOf(p);
  for (int i = 0; i < 256; ++i) {
    const Vesk_GIFRGBTRIPLE c =
        i < static_cast<int>(p.ColorTable.size()) ? p.ColorTable[i] : Vesk_GIFRGBTRIPLE{};
    colours[i] = i == transparent ? kClear : 0xFF000000u | c.gRed << 16 | c.gGreen << 8 | c.gBlue;
  }
}

struct Box {
  int32_t x0 = INT32_MAX, y0 = INT32_MAX, x1 = -1, y1 = -1;  // inclusive
  bool Empty() const { return x1 < 0; }
  void Add(int32_t x, int32_t y) {
    x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
  }
  void Add(const Box& b) {
    if (!b.Empty()) Add(b.x0, b.y0), Add(b.x1, b.y1);
  }
  bool Contains(int32_t x, int32_t y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
  bool operator==(const Box&) const = default;
};

Box PlaceOf(const AnimationFrame& f) {
  Box b;
  b.Add(f.left, f.top);
  b.Add(f.left + f.picture->GifSetting.biWidth - 1, f.top + f.picture->GifSetting.biHeight - 1);
  return b;
}

// How a frame's pixels meet the screen, found in one pass over the frame.
struct FrameScan {
  Box changed;           // pixels that differ from the screen
  Box clearing;          // drawn pixels that the next frame shows cleared
  bool clears = false;   // a shown pixel the frame would have to clear by drawing
  size_t sameDrawn = 0;  // drawn pixels that equal the screen already
  bool used[256] = {};   // the indices the frame uses
};

// `shown` and the frame's colours compared pixel by pixel, with the next frame's transparency.
// Rows go by three spans (left of the next frame, under it, right of it), so that the loops have
// no tests of place and keep their state in registers.
template <bool kScreenClear>
void ScanRows(const AnimationFrame& f, const uint32_t (&colours)[256], const AnimationFrame& next,
              const std::vector<uint32_t>& shown, int32_t screenWidth, FrameScan& scan) {
  const Vesk_GifPictureType& p = *f.picture;
  const int32_t fw = p.GifSetting.biWidth, fh = p.GifSetting.biHeight;
  const Vesk_GifPictureType& q = *next.picture;
  const int32_t nw = q.GifSetting.biWidth, nh = q.GifSetting.biHeight;
  const int nextTransparent = TransparentOf(q);
  // Columns of this frame that the next one covers.
  const int32_t nx0 = std::clamp(next.left - f.left, 0, fw);
  const int32_t nx1 = std::clamp(next.left + nw - f.left, 0, fw);
  bool clears = false;
  size_t sameDrawn = 0;
  for (int32_t fy = 0; fy < fh; ++fy) {
    const int32_t y = f.top + fy;
    const uint8_t* in = p.BitmapData.data() + static_cast<size_t>(fy) * fw;
    const uint32_t* screen =
        kScreenClear ? nullptr : shown.data() + static_cast<size_t>(y) * screenWidth + f.left;
    for (int32_t x = 0; x < fw; ++x) scan.used[in[x]] = true;
    const bool under = y >= next.top && y < next.top + nh && nx0 < nx1;
    // The next frame's indices under this frame's columns from nx0.
    const uint8_t* nextRow = under ? q.BitmapData.data() + static_cast<size_t>(y - next.top) * nw +
                                         (f.left + nx0 - next.left)
                                   : nullptr;
    int32_t changedFirst = fw, changedLast = -1, clearingFirst = fw, clearingLast = -1;
    auto span = [&](int32_t from, int32_t to, bool nextClearThere, bool look) {
      for (int32_t x = from; x < to; ++x) {
        const uint32_t t = colours[in[x]];
        const bool differs = (kScreenClear ? kClear : screen[x]) != t;
        const bool drawn = t != kClear;
        clears |= differs && !drawn;
        sameDrawn += !differs && drawn;
        changedFirst = differs && x < changedFirst ? x : changedFirst;
        changedLast = differs ? x : changedLast;
        const bool nextClear = look ? nextRow[x - nx0] == nextTransparent : nextClearThere;
        const bool clearing = drawn && nextClear;
        clearingFirst = clearing && x < clearingFirst ? x : clearingFirst;
        clearingLast = clearing ? x : clearingLast;
      }
    };
    if (under) {
      span(0, nx0, true, false);
      span(nx0, nx1, false, true);
      span(nx1, fw, true, false);
    } else {
      span(0, fw, true, false);
    }
    if (changedLast >= 0)
      scan.changed.Add(f.left + changedFirst, y), scan.changed.Add(f.left + changedLast, y);
    if (clearingLast >= 0)
      scan.clearing.Add(f.left + clearingFirst, y), scan.clearing.Add(f.left + clearingLast, y);
  }
  scan.clears = clears;
  scan.sameDrawn = sameDrawn;
}

// A screen known to be all clear is not read: then every drawn pixel differs from it.
void Scan(const AnimationFrame& f, const uint32_t (&colours)[256], const AnimationFrame& next,
          const std::vector<uint32_t>& shown, bool screenClear, int32_t screenWidth,
          FrameScan& scan) {
  if (screenClear)
    ScanRows<true>(f, colours, next, shown, screenWidth, scan);
  else
    ScanRows<false>(f, colours, next, shown, screenWidth, scan);
}

// Whether the screen is clear wherever `within` (the part that may show anything) lies outside
// `place`.
bool ClearOutside(const std::vector<uint32_t>& shown, int32_t screenWidth, const Box& within,
                  const Box& place) {
  for (int32_t y = within.y0; y <= within.y1 && !within.Empty(); ++y) {
    const uint32_t* row = shown.data() + static_cast<size_t>(y) * screenWidth;
    for (int32_t x = within.x0; x <= within.x1; ++x)
      if (row[x] != kClear && !place.Contains(x, y)) return false;
  }
  return true;
}

// The codes of one frame's two variants, as their encoders leave them.
struct Coded {
  std::vector<uint8_t> codes, deferred;
  size_t fills = 0;
};

// A frame whose pixels are ready, waiting for its codes.
struct Prepared {
  Image image;
  const uint8_t* plain = nullptr;  // the box's indices: the frame's own, or `plainCopy`
  size_t plainSize = 0;
  std::vector<uint8_t> plainCopy, keeping;
  int keep = -1;
  size_t unchanged = 0;
  int minCodeSize = 0;
};

// The frames as differences from what the screen shows. Each frame is cut to the box where the
// screen must change: pixels that differ from the screen, and pixels that the next frame shows
// cleared (this frame then clears its box after it is shown; otherwise it stays). Unchanged
// pixels in the box become transparent where that codes shorter. False when the frames cannot
// be written so (the caller writes them whole).
// A frame's two variants are coded at once, one on a second thread, which goes on while this
// thread prepares the next frame. (Two threads of their own, with this one preparing beside
// them, were slower on two processors: three threads contend for them.)
bool OptimizedFrames(const std::vector<AnimationFrame>& frames, int32_t w, int32_t h,
                     std::vector<Image>& images) {
  const size_t area = static_cast<size_t>(w) * static_cast<size_t>(h);
  // What the screen shows, made when a frame first stays on it (a series whose every frame is
  // cleared whole never needs it).
  std::vector<uint32_t> shown;
  Box shownWithin;  // where `shown` may hold anything but kClear (nothing while it is not made)
  Prepared prepared[2];
  Coded plainCoded, keepingCoded;
  // The indices `plainCoded` holds the codes of (a frame's own, or kept in `lastPlainCopy`), and
  // their code size (0: none yet).
  std::vector<uint8_t> lastPlainCopy;
  const uint8_t* lastPlain = nullptr;
  size_t lastPlainSize = 0;
  int plainCodeSize = 0;
  // Made for the first large frame; declared after everything its jobs use, so that they
  // finish first when this returns.
  std::unique_ptr<platform::SecondLane> lane;
  // Whether prepared[(n - 1) % 2] was coded, and whether on the lane (then not yet awaited).
  bool coded = false, onLaneNow = false;

  // Makes frame `p`'s codes: the first job on the lane (awaited before the next call), the
  // second here.
  auto startCoding = [&](Prepared& p) {
    const bool samePlain = plainCodeSize == p.minCodeSize && lastPlainSize == p.plainSize &&
                           std::memcmp(lastPlain, p.plain, p.plainSize) == 0;
    const int m = p.minCodeSize;
    auto code = [m](const uint8_t* pixels, size_t n, Coded& into, bool deferred) {
      if (deferred)
        EncodeLzw(pixels, n, m, into.deferred, true);
      else
        into.fills = EncodeLzw(pixels, n, m, into.codes);
    };
    auto both = [code](const uint8_t* pixels, size_t n, Coded& into) {
      code(pixels, n, into, false);
      if (into.fills > 0) code(pixels, n, into, true);
    };
    Prepared* q = &p;
    // A small frame codes sooner here than a thread can be woken for it.
    constexpr size_t kLanePixels = 64 * 1024;
    const bool onLane = p.plainSize >= kLanePixels;
    if (onLane && !lane) lane = std::make_unique<platform::SecondLane>();
    auto split = [&](std::function<void()> there, const std::function<void()>& here) {
      if (onLane)
        lane->Start(std::move(there));
      else
        there();
      here();
    };
    if (!samePlain) {
      plainCodeSize = 0;  // until its codes are complete
      // A copy is kept by taking its buffer (the coding goes on reading it where it is).
      if (p.plain == p.plainCopy.data()) lastPlainCopy.swap(p.plainCopy);
      lastPlain = p.plain, lastPlainSize = p.plainSize;
      if (q->unchanged > 0)
        split([=, &plainCoded] { both(q->plain, q->plainSize, plainCoded); },
              [=, &keepingCoded] { both(q->keeping.data(), q->keeping.size(), keepingCoded); });
      else
        split([=, &plainCoded] { code(q->plain, q->plainSize, plainCoded, false); },
              [=, &plainCoded] { code(q->plain, q->plainSize, plainCoded, true); });
    } else if (q->unchanged > 0) {
      split([=, &keepingCoded] { code(q->keeping.data(), q->keeping.size(), keepingCoded, false); },
            [=, &keepingCoded] { code(q->keeping.data(), q->keeping.size(), keepingCoded, true); });
    } else {
      return;
    }
    coded = true;
    onLaneNow = onLane;
  };
  // Waits for frame `p`'s codes and keeps the better variant.
  auto finishCoding = [&](Prepared& p) {
    if (onLaneNow) {
      onLaneNow = false;
      lane->Wait();
    }
    if (coded) plainCodeSize = p.minCodeSize;
    coded = false;
    Image& image = p.image;
    const bool keepUnchanged =
        p.unchanged > 0 && keepingCoded.codes.size() < plainCoded.codes.size();
    // The better of the two, with deferred clears where the table filled and that is shorter.
    const Coded& chosen = keepUnchanged ? keepingCoded : plainCoded;
    image.codes = chosen.fills > 0 && chosen.deferred.size() < chosen.codes.size() ? chosen.deferred
                                                                                   : chosen.codes;
    if (keepUnchanged) image.transparent = p.keep;
    images.push_back(std::move(image));
  };

  for (size_t n = 0; n < frames.size(); ++n) {
    const AnimationFrame& f = frames[n];
    const Vesk_GifPictureType& p = *f.picture;
    const int32_t fw = p.GifSetting.biWidth, fh = p.GifSetting.biHeight;
    const Box place = PlaceOf(f);
    // Drawing cannot clear a pixel: outside the frame the screen must be clear already, as the
    // last frame's disposal should have left it.
    if (!shownWithin.Empty() && !ClearOutside(shown, w, shownWithin, place)) return false;
    uint32_t colours[256];
    ColoursOf(p, colours);
    // After the last frame the animation starts again with the first.
    FrameScan scan;
    const bool screenClear = shownWithin.Empty();
    Scan(f, colours, frames[(n + 1) % frames.size()], shown, screenClear, w, scan);
    if (scan.clears) return false;
    Box box = scan.changed;
    box.Add(scan.clearing);
    if (box.Empty()) box.Add(f.left, f.top);  // nothing changes: one pixel, as it is
    if (box.x0 < f.left || box.y0 < f.top || box.x1 >= f.left + fw || box.y1 >= f.top + fh)
      return false;

    Prepared& prep = prepared[n % 2];
    Image& image = prep.image;
    image = Image{};
    image.left = box.x0, image.top = box.y0;
    image.width = box.x1 - box.x0 + 1, image.height = box.y1 - box.y0 + 1;
    image.delayCs = f.delayCs;
    image.disposal = scan.clearing.Empty() ? kDisposeNone : kDisposeBackground;
    // The index that leaves a pixel as it is: the frame's transparent one, else one its pixels
    // in the box do not use.
    const bool whole = box == place;
    bool boxUsed[256] = {};
    const bool* used = scan.used;
    prep.plainSize = static_cast<size_t>(image.width) * image.height;
    if (whole) {
      prep.plain = p.BitmapData.data();
    } else {
      prep.plainCopy.resize(prep.plainSize);
      for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* in =
            p.BitmapData.data() + static_cast<size_t>(box.y0 - f.top + y) * fw + (box.x0 - f.left);
        std::copy(in, in + image.width,
                  prep.plainCopy.data() + static_cast<size_t>(y) * image.width);
        for (int32_t x = 0; x < image.width; ++x) boxUsed[in[x]] = true;
      }
      prep.plain = prep.plainCopy.data();
      used = boxUsed;
    }
    int keep = TransparentOf(p);
    for (int i = 0; keep < 0 && i < 256; ++i)
      if (!used[i]) keep = i;
    int highest = keep;
    for (int i = 255; i > highest; --i)
      if (used[i]) highest = i;
    image.table = TableCovering(p, highest);
    prep.minCodeSize = LzwMinimumCodeSize(image.table.size());
    image.transparent = TransparentOf(p);
    prep.keep = keep;
    // Unchanged pixels that `keep` would replace are drawn ones equal to the screen (a
    // transparent index is `keep` itself): none in the frame, none in the box.
    prep.unchanged = 0;
    if (keep >= 0 && scan.sameDrawn > 0) {
      prep.keeping.assign(prep.plain, prep.plain + prep.plainSize);
      for (int32_t y = 0; y < image.height; ++y) {
        const uint32_t* screen = shown.data() + static_cast<size_t>(box.y0 + y) * w + box.x0;
        uint8_t* out = prep.keeping.data() + static_cast<size_t>(y) * image.width;
        for (int32_t x = 0; x < image.width; ++x)
          if (out[x] != keep && screen[x] == colours[out[x]]) {
            out[x] = static_cast<uint8_t>(keep);
            ++prep.unchanged;
          }
      }
    }

    // The screen now shows the frame; its box is cleared if the next frame needs that. A frame
    // cleared whole leaves the screen as it found it outside, and clear inside.
    if (!scan.clearing.Empty() && whole) {
      if (!screenClear)
        for (int32_t y = box.y0; y <= box.y1; ++y)
          std::fill_n(shown.data() + static_cast<size_t>(y) * w + box.x0, box.x1 - box.x0 + 1,
                      kClear);
      shownWithin = Box{};
    } else {
      if (shown.empty()) shown.assign(area, kClear);
      for (int32_t fy = 0; fy < fh; ++fy) {
        const uint8_t* in = p.BitmapData.data() + static_cast<size_t>(fy) * fw;
        uint32_t* out = shown.data() + static_cast<size_t>(f.top + fy) * w + f.left;
        for (int32_t x = 0; x < fw; ++x) out[x] = colours[in[x]];
      }
      shownWithin = place;
      if (!scan.clearing.Empty())
        for (int32_t y = box.y0; y <= box.y1; ++y)
          std::fill_n(shown.data() + static_cast<size_t>(y) * w + box.x0, box.x1 - box.x0 + 1,
                      kClear);
    }

    if (n > 0) finishCoding(prepared[(n - 1) % 2]);
    startCoding(prep);
  }
  finishCoding(prepared[(frames.size() - 1) % 2]);
  return true;
}

void Put16(std::vector<uint8_t>& out, int32_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

int TableBits(size_t entries) {
  int bits = 1;
  while ((size_t{1} << bits) < entries) ++bits;
  return bits;
}

void PutTable(std::vector<uint8_t>& out, const std::vector<Vesk_GIFRGBTRIPLE>& table) {
  for (const Vesk_GIFRGBTRIPLE& c : table) out.insert(out.end(), {c.gRed, c.gGreen, c.gBlue});
}

bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes the file through a small buffer: a file-sized one would hold every frame's codes a
// second time.
bool WriteFile(int fd, const std::vector<Image>& images, int32_t w, int32_t h, int32_t loopCount) {
  constexpr size_t kStaging = 256 * 1024;
  std::vector<uint8_t> out;
  out.reserve(kStaging + 1024);
  bool written = true;
  auto flush = [&] {
    written = written && WriteAll(fd, out.data(), out.size());
    out.clear();
    return written;
  };
  // A series whose frames share one palette (a turn, a mesh) writes it once.
  const bool shared = std::all_of(images.begin(), images.end(),
                                  [&](const Image& i) { return i.table == images[0].table; });
  out.insert(out.end(), {'G', 'I', 'F', '8', '9', 'a'});
  Put16(out, w);
  Put16(out, h);
  out.push_back(shared ? static_cast<uint8_t>(0xF0 | (TableBits(images[0].table.size()) - 1))
                       : 0x70);
  out.insert(out.end(), {0, 0});
  if (shared) PutTable(out, images[0].table);
  // Loop count: the NETSCAPE2.0 application extension, sub-block 1.
  out.insert(out.end(),
             {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1});
  Put16(out, loopCount);
  out.push_back(0);
  for (const Image& i : images) {
    out.insert(out.end(), {0x21, 0xF9, 4});
    out.push_back(static_cast<uint8_t>(i.disposal << 2 | (i.transparent >= 0 ? 1 : 0)));
    Put16(out, i.delayCs);
    out.push_back(static_cast<uint8_t>(i.transparent >= 0 ? i.transparent : 0));
    out.push_back(0);
    out.push_back(0x2C);
    Put16(out, i.left);
    Put16(out, i.top);
    Put16(out, i.width);
    Put16(out, i.height);
    out.push_back(shared ? 0 : static_cast<uint8_t>(0x80 | (TableBits(i.table.size()) - 1)));
    if (!shared) PutTable(out, i.table);
    out.push_back(static_cast<uint8_t>(LzwMinimumCodeSize(i.table.size())));
    for (size_t at = 0; at < i.codes.size(); at += 255) {
      const size_t n = std::min<size_t>(255, i.codes.size() - at);
      if (out.size() + n + 1 > kStaging && !flush()) return false;
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), i.codes.begin() + at, i.codes.begin() + at + n);
    }
    out.push_back(0);
    if (out.size() > kStaging && !flush()) return false;
  }
  out.push_back(0x3B);
  return flush();
}

}  // namespace

bool WriteAnimatedGif(const std::vector<AnimationFrame>& frames, int32_t screenWidth,
                      int32_t screenHeight, int32_t loopCount, const std::string& fileName,
                      bool optimize) {
  return RunProcedure("WriteAnimatedGif", [&] {
    if (frames.empty() || screenWidth < 1 || screenHeight < 1 || screenWidth > kMaxGifDimension ||
        screenHeight > kMaxGifDimension || loopCount < 0 || loopCount > 0xFFFF) {
      RecordModuleError(kErrHeader, kStyleStop);
      return false;
    }
    for (const AnimationFrame& f : frames) {
      if (!FrameFits(f, screenWidth, screenHeight)) {
        RecordModuleError(kErrHeader, kStyleStop);
        return false;
      }
    }

    platform::StagedFile staged(fileName, "pellory-anim");
    if (!staged.Valid()) {
      RecordFileError(staged.Error());
      return false;
    }
    std::vector<Image> images;
    if (!optimize || !OptimizedFrames(frames, screenWidth, screenHeight, images)) {
      // The frames are coded independently: two at a time.
      images.assign(frames.size(), Image{});
      platform::SecondLane lane;
      for (size_t n = 0; n < frames.size(); n += 2) {
        if (n + 1 == frames.size()) {
          images[n] = WholeFrame(frames[n]);
          break;
        }
        platform::RunBoth(
            lane, [&] { images[n + 1] = WholeFrame(frames[n + 1]); },
            [&] { images[n] = WholeFrame(frames[n]); });
      }
    }
    const bool written =
        WriteFile(staged.Descriptor(), images, screenWidth, screenHeight, loopCount);
    const int writeError = errno;
    if (!written) {
      RecordFileError(writeError != 0 ? writeError : EIO);
      return false;
    }
    // Never over a file: one that appeared meanwhile stays.
    if (const int err = staged.Commit(false); err != 0) {
      RecordFileError(err);
      return false;
    }
    return true;
  });
}

}  // namespace pellory::engine
